#pragma once

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <exception>
#include <optional>
#include <type_traits>
#include <variant>

namespace quelvio::test {

// What became of a task: its value, or what it threw, or neither when it did not finish in time.
template <typename T>
struct Outcome {
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    bool finished = false;
    std::optional<Value> value;
    std::exception_ptr error;

    template <typename E>
    std::optional<E> errorAs() const {
        if (!error)
            return std::nullopt;
        try {
            std::rethrow_exception(error);
        } catch (const E& e) {
            return e;
        } catch (...) {
        }
        return std::nullopt;
    }
};

// Runs the event loop until the task ends (or the timeout passes) and reports its outcome.
template <typename T>
Outcome<T> await(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    Outcome<T> outcome;
    QEventLoop loop;
    auto runner = [&]() -> QCoro::Task<void> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await task;
                outcome.value.emplace();
            } else {
                outcome.value = co_await task;
            }
        } catch (...) {
            outcome.error = std::current_exception();
        }
        outcome.finished = true;
        loop.quit();
    };
    auto running = runner();
    if (!outcome.finished) {
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return outcome;
}

// Spins the event loop until the predicate holds or the timeout passes.
template <typename Predicate>
bool waitUntil(Predicate predicate, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (predicate())
            loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    if (predicate())
        return true;
    poll.start();
    loop.exec();
    return predicate();
}

} // namespace quelvio::test
