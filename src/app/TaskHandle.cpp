#include "TaskHandle.h"

#include <QCoroSignal>

namespace quelvio {

std::shared_ptr<TaskHandle> TaskHandle::start(Body body) {
    std::shared_ptr<TaskHandle> handle(new TaskHandle());
    run(handle, std::move(body));
    return handle;
}

QCoro::Task<void> TaskHandle::run(std::shared_ptr<TaskHandle> self, Body body) {
    try {
        co_await body(*self);
    } catch (...) {
        // A body routes its own failures; nothing may escape a task nobody awaits.
    }
    self->m_finished = true;
    emit self->finished();
}

void TaskHandle::cancel() {
    if (m_cancelled)
        return;
    m_cancelled = true;
    emit cancelled();
}

QCoro::Task<bool> TaskHandle::sleep(std::chrono::milliseconds duration) {
    if (m_cancelled)
        co_return false;
    // A signal with a timeout, not a QTimer: a stopped timer would never resume the coroutine.
    const auto woken = co_await qCoro(this, &TaskHandle::cancelled, duration);
    co_return !woken.has_value();
}

} // namespace quelvio
