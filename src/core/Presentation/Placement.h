#pragma once

#include <QRectF>

// Where the dropdown panel and the main window go. Pure arithmetic on rectangles in global screen
// coordinates with the origin at the bottom-left of the primary screen and y growing upward; the
// shell converts Qt's top-down rectangles at the seam.
namespace quelvio {

struct PanelScreenFrame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double midX() const { return x + width * 0.5; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }

    // Half-open: the left and bottom edges are inside, the right and top edges outside.
    bool contains(double px, double py) const {
        return minX() <= px && px < maxX() && minY() <= py && py < maxY();
    }
    // Strict: rectangles that only touch do not intersect.
    bool intersects(const PanelScreenFrame& other) const {
        return other.x < maxX() && x < other.maxX() && other.y < maxY() && y < other.maxY();
    }

    // Qt's global rectangles run top-down from the primary screen's top edge; the flip needs the
    // primary screen's height and is its own inverse.
    static PanelScreenFrame fromQtRect(const QRectF& rect, double primaryScreenHeight);
    QRectF toQtRect(double primaryScreenHeight) const;

    bool operator==(const PanelScreenFrame&) const = default;
};

namespace MenuBarDropdownLayout {
inline constexpr double preferredWidth = 400;
inline constexpr double preferredHeight = 560;
inline constexpr double gapBelowStatusItem = 6;
} // namespace MenuBarDropdownLayout

namespace MenuBarDropdownAnchor {
// Under the button when it fits, else above it, else at the bottom of the visible frame; centred
// on the button and kept inside the visible frame, shrunk to it when the frame is smaller.
PanelScreenFrame frame(const PanelScreenFrame& buttonFrame, double preferredWidth, double preferredHeight,
                       double gapBelowStatusItem, const PanelScreenFrame& screenVisibleFrame);
// A button reported on another display is replaced by one of the same size at the top of the
// target screen, centred on the pointer and kept on that screen.
PanelScreenFrame resolveButtonFrame(const PanelScreenFrame& reported, double pointerX,
                                    const PanelScreenFrame& targetScreen);
} // namespace MenuBarDropdownAnchor

namespace MainWindowPlacement {
inline constexpr double defaultWidth = 980;
inline constexpr double defaultHeight = 640;
// Keeps the window where it is when at least half of it lies on the visible frame, otherwise
// centres it there; never larger than the visible frame and always inside it.
PanelScreenFrame frame(const PanelScreenFrame& current, const PanelScreenFrame& screenVisibleFrame,
                       double defaultWidth = MainWindowPlacement::defaultWidth,
                       double defaultHeight = MainWindowPlacement::defaultHeight);
} // namespace MainWindowPlacement

} // namespace quelvio
