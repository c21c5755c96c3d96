#pragma once

#include <QObject>
#include <chrono>
#include <functional>

namespace quelvio {

// Time and deferred work for the shell's decisions, so tests can run them on a fake clock.
class ShellClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~ShellClock() = default;
    virtual TimePoint now() const = 0;
    // Runs task on the GUI thread after delay (zero: on the next turn of the event loop), unless
    // context is destroyed first.
    virtual void schedule(std::chrono::milliseconds delay, QObject* context, std::function<void()> task) = 0;
};

// The steady clock and single-shot timers.
class SystemShellClock : public ShellClock {
public:
    static SystemShellClock& shared();

    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void schedule(std::chrono::milliseconds delay, QObject* context, std::function<void()> task) override;
};

} // namespace quelvio
