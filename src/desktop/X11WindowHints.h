#pragma once

#include <QByteArray>

class QWindow;

namespace quelvio {

// What Qt has no API for but X11 desktops read from a window. Each does nothing on other
// platforms, or where the window system is not X11 (Wayland, offscreen).
namespace X11WindowHints {

// The launcher entry the window belongs to (without ".desktop"), as GNOME (_GTK_APPLICATION_ID)
// and KDE (_KDE_NET_WM_DESKTOP_FILE) look for it.
void setDesktopEntry(QWindow* window, const QByteArray& desktopFileName);

// Asks to be left out of task bars, pagers and window switchers. Call it while the window is not
// yet mapped, every time it is about to be: window managers drop the state of a withdrawn window,
// and Qt keeps what it finds on the window when it maps it.
void skipTaskbarAndPager(QWindow* window);

} // namespace X11WindowHints
} // namespace quelvio
