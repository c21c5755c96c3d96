#pragma once

#include "Wakeup.h"

#include <QCoroTask>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

namespace quelvio {

// A long-running coroutine that can be told to stop: QCoro's tasks cannot be cancelled. The body
// checks isCancelled() at its own pace; sleep() returns as soon as cancel() is called, and anything
// awaiting I/O can abort it on the cancelled() signal.
class TaskHandle : public QObject {
    Q_OBJECT

public:
    using Body = std::function<QCoro::Task<void>(TaskHandle&)>;

    // Starts the body at once. The running body keeps its handle alive, so dropping the last
    // outside reference never pulls the handle from under it.
    static std::shared_ptr<TaskHandle> start(Body body);

    void cancel();
    bool isCancelled() const { return m_cancelled; }
    bool isFinished() const { return m_finished; }

    // Waits for the duration or until cancelled; true when the full duration passed.
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration);

signals:
    void cancelled();
    void finished();

private:
    TaskHandle() = default;
    static QCoro::Task<void> run(std::shared_ptr<TaskHandle> self, Body body);

    Wakeup m_wakeup; // the sleep in progress, if any
    bool m_cancelled = false;
    bool m_finished = false;
};

} // namespace quelvio
