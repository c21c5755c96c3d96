#pragma once

#include "DesktopAppearance.h"

#include <QIcon>
#include <QString>

namespace quelvio {

// The name desktops match windows to their launcher entry and icon by.
inline constexpr auto desktopFileName = "io.quelvio.Quelvio";

// The tray glyph, drawn from the icon font in the colour the desktop's panel calls for.
QIcon trayIcon(const QString& symbolName, ColorScheme scheme);
// The application's icon for task bars and window switchers: the one the launcher entry names.
QIcon applicationIcon();

} // namespace quelvio
