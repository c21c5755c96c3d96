#include "IdleWindowRelease.h"

namespace quelvio {

IdleWindowRelease::IdleWindowRelease(ShellClock& clock, std::function<void()> release)
    : m_clock(clock)
    , m_release(std::move(release)) {}

void IdleWindowRelease::windowsChanged(bool anyShown) {
    const quint64 generation = ++m_generation;
    if (anyShown) {
        m_released = false;
        return;
    }
    if (m_released)
        return;
    m_clock.schedule(releaseAfter, this, [this, generation] {
        if (generation != m_generation)
            return;
        m_released = true;
        m_release();
    });
}

} // namespace quelvio
