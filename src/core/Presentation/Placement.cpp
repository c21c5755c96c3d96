#include "Presentation/Placement.h"

#include <algorithm>

namespace quelvio {

PanelScreenFrame PanelScreenFrame::fromQtRect(const QRectF& rect, double primaryScreenHeight) {
    return {rect.x(), primaryScreenHeight - (rect.y() + rect.height()), rect.width(), rect.height()};
}

QRectF PanelScreenFrame::toQtRect(double primaryScreenHeight) const {
    return {x, primaryScreenHeight - (y + height), width, height};
}

namespace MenuBarDropdownAnchor {

PanelScreenFrame frame(const PanelScreenFrame& b, double preferredWidth, double preferredHeight, double gap,
                       const PanelScreenFrame& s) {
    const double height = std::min(s.height, preferredHeight);
    const double width = std::min(s.width, preferredWidth);

    double y = 0;
    const double below = b.y - gap - height;
    if (below >= s.minY())
        y = below;
    else if (b.maxY() + gap + height <= s.maxY())
        y = b.maxY() + gap;
    else
        y = s.minY();

    double x = b.midX() - width * 0.5;
    if (x < s.minX())
        x = s.minX();
    if (s.maxX() < x + width)
        x = s.maxX() - width;

    if (s.maxY() < y + height)
        y = s.maxY() - height;
    return {x, y, width, height};
}

PanelScreenFrame resolveButtonFrame(const PanelScreenFrame& reported, double pointerX,
                                    const PanelScreenFrame& targetScreen) {
    if (reported.intersects(targetScreen))
        return reported;
    const double w = reported.width;
    const double h = reported.height;
    double x = pointerX - w * 0.5;
    if (x < targetScreen.minX())
        x = targetScreen.minX();
    if (targetScreen.maxX() < x + w)
        x = targetScreen.maxX() - w;
    return {x, targetScreen.maxY() - h, w, h};
}

} // namespace MenuBarDropdownAnchor

namespace MainWindowPlacement {

PanelScreenFrame frame(const PanelScreenFrame& c, const PanelScreenFrame& s, double defaultWidth,
                       double defaultHeight) {
    // A window that was never sized, or has collapsed, gets the default size.
    const double width = std::min(c.width < 100 ? defaultWidth : c.width, s.width);
    const double height = std::min(c.height < 100 ? defaultHeight : c.height, s.height);

    const double overlapWidth = std::max(0.0, std::min(c.maxX(), s.maxX()) - std::max(c.minX(), s.minX()));
    const double overlapHeight = std::max(0.0, std::min(c.maxY(), s.maxY()) - std::max(c.minY(), s.minY()));

    double x = c.x;
    double y = c.y;
    if (!(width * 0.5 <= overlapWidth && height * 0.5 <= overlapHeight)) {
        x = s.x + (s.width - width) * 0.5;
        y = s.y + (s.height - height) * 0.5;
    }

    if (x < s.minX())
        x = s.minX();
    if (s.maxX() < x + width)
        x = s.maxX() - width;
    if (y < s.minY())
        y = s.minY();
    if (s.maxY() < y + height)
        y = s.maxY() - height;
    return {x, y, width, height};
}

} // namespace MainWindowPlacement

} // namespace quelvio
