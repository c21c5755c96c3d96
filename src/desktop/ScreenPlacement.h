#pragma once

#include "Presentation/Placement.h"

#include <QList>
#include <QPointF>
#include <optional>

namespace quelvio {

// A display in bottom-up coordinates: its whole area and the part panels and bars leave free.
struct ScreenInfo {
    PanelScreenFrame frame;
    PanelScreenFrame visibleFrame;

    // No bars take room on it: a full-screen window or auto-hidden panels.
    bool showsNoBars() const;

    bool operator==(const ScreenInfo&) const = default;
};

namespace ScreenPlacement {
// The pointer test of the screens: left and top edges inside, right and bottom edges outside. It
// is what Qt's top-down pixel test becomes once flipped into bottom-up coordinates.
bool mouseInRect(QPointF point, const PanelScreenFrame& rect);
// The first screen holding the point, else the main screen, else the first screen; nothing only
// when there are no screens at all.
std::optional<ScreenInfo> screenContainingPointer(QPointF point, const QList<ScreenInfo>& screens,
                                                  const std::optional<ScreenInfo>& mainScreen);
// A point in Qt's global coordinates flipped into bottom-up coordinates, and back.
QPointF pointFromQt(QPointF point, double primaryScreenHeight);
QPointF pointToQt(QPointF point, double primaryScreenHeight);
} // namespace ScreenPlacement

// The desktop's screens and pointer as the placement rules see them (origin bottom-left, y up);
// the one place that converts from Qt's coordinates.
namespace DesktopScreens {
double primaryHeight();
QList<ScreenInfo> all();
std::optional<ScreenInfo> main();
QPointF pointer();
} // namespace DesktopScreens

} // namespace quelvio
