#pragma once

#include "ShellClock.h"

#include <QObject>
#include <chrono>
#include <functional>

namespace quelvio {

// A tray icon alone should not cost what the windows cost: once every window has stayed hidden
// for a while, what only a shown window needs is given back. Showing one rebuilds it.
class IdleWindowRelease : public QObject {
public:
    static constexpr std::chrono::milliseconds releaseAfter = std::chrono::minutes(2);

    IdleWindowRelease(ShellClock& clock, std::function<void()> release);

    // Whether any window is shown now; called whenever that may have changed.
    void windowsChanged(bool anyShown);

private:
    ShellClock& m_clock;
    std::function<void()> m_release;
    quint64 m_generation = 0; // moves on with every change, so that a pending release lapses
    bool m_released = false;
};

} // namespace quelvio
