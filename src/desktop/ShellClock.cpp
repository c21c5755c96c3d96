#include "ShellClock.h"

#include <QTimer>

namespace quelvio {

SystemShellClock& SystemShellClock::shared() {
    static SystemShellClock clock;
    return clock;
}

void SystemShellClock::schedule(std::chrono::milliseconds delay, QObject* context,
                                std::function<void()> task) {
    QTimer::singleShot(delay, context, std::move(task));
}

} // namespace quelvio
