#include "PlatformChoice.h"

#include <QtGlobal>

namespace quelvio {

SessionEnvironment SessionEnvironment::current() {
    return {qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"),
            qgetenv("QT_QPA_PLATFORM")};
}

std::optional<QByteArray> preferredPlatform(const SessionEnvironment& environment) {
    const bool wayland =
        environment.sessionType.trimmed().toLower() == "wayland" || !environment.waylandDisplay.isEmpty();
    if (!wayland || environment.display.isEmpty() || !environment.qpaPlatform.trimmed().isEmpty())
        return std::nullopt;
    return QByteArray("xcb");
}

} // namespace quelvio
