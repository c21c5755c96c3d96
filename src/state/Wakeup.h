#pragma once

#include <QObject>
#include <coroutine>
#include <utility>

namespace quelvio {

// Lets one coroutine wait until something calls wake(). The waiter resumes from the event loop,
// never inside the caller of wake(), and wakes that come while nobody waits are dropped: the
// waiter checks its condition before it waits again. (QCoro's signal awaiter cannot be used for
// signals that fire several times in a row: a second queued emission reaches an awaiter that is
// already gone.)
class Wakeup : public QObject {
public:
    struct Awaiter {
        Wakeup* wakeup;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept { wakeup->m_waiter = waiter; }
        void await_resume() const noexcept {}
    };

    Awaiter wait() { return Awaiter{this}; }

    void wake() {
        if (auto waiter = std::exchange(m_waiter, nullptr))
            QMetaObject::invokeMethod(
                this, [waiter] { waiter.resume(); }, Qt::QueuedConnection);
    }

private:
    std::coroutine_handle<> m_waiter;
};

} // namespace quelvio
