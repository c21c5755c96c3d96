#pragma once

#include <QByteArray>
#include <optional>

namespace quelvio {

// What the session says about its display servers, read before Qt picks a platform.
struct SessionEnvironment {
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray display;        // DISPLAY: set when XWayland (or X11) is there
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM: the user's own choice

    static SessionEnvironment current();
};

// "xcb" on a Wayland session that also offers XWayland, unless the user chose a platform: a Wayland
// client cannot place its own windows, so the panel could not open under the tray icon. Nothing
// otherwise: Qt's own choice stands.
std::optional<QByteArray> preferredPlatform(const SessionEnvironment& environment);

} // namespace quelvio
