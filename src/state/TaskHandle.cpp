#include "TaskHandle.h"

#include <QTimer>

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
    m_wakeup.wake();
    emit cancelled();
}

QCoro::Task<bool> TaskHandle::sleep(std::chrono::milliseconds duration) {
    if (m_cancelled)
        co_return false;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &m_wakeup, [this] { m_wakeup.wake(); });
    timer.start(duration);
    co_await m_wakeup.wait();
    co_return !m_cancelled;
}

} // namespace quelvio
