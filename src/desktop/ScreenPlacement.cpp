#include "ScreenPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace quelvio {

bool ScreenInfo::showsNoBars() const {
    return std::abs(visibleFrame.height - frame.height) < 1 && std::abs(visibleFrame.width - frame.width) < 1;
}

namespace ScreenPlacement {

bool mouseInRect(QPointF point, const PanelScreenFrame& rect) {
    return rect.minX() <= point.x() && point.x() < rect.maxX() && rect.minY() < point.y() &&
           point.y() <= rect.maxY();
}

std::optional<ScreenInfo> screenContainingPointer(QPointF point, const QList<ScreenInfo>& screens,
                                                  const std::optional<ScreenInfo>& mainScreen) {
    for (const ScreenInfo& screen : screens) {
        if (mouseInRect(point, screen.frame))
            return screen;
    }
    if (mainScreen)
        return mainScreen;
    if (!screens.isEmpty())
        return screens.first();
    return std::nullopt;
}

QPointF pointFromQt(QPointF point, double primaryScreenHeight) {
    return {point.x(), primaryScreenHeight - point.y()};
}

QPointF pointToQt(QPointF point, double primaryScreenHeight) {
    return {point.x(), primaryScreenHeight - point.y()};
}

} // namespace ScreenPlacement

namespace DesktopScreens {

double primaryHeight() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().height() : 0;
}

namespace {
ScreenInfo info(const QScreen* screen, double h) {
    return {PanelScreenFrame::fromQtRect(QRectF(screen->geometry()), h),
            PanelScreenFrame::fromQtRect(QRectF(screen->availableGeometry()), h)};
}
} // namespace

QList<ScreenInfo> all() {
    const double h = primaryHeight();
    QList<ScreenInfo> list;
    for (const QScreen* screen : QGuiApplication::screens())
        list.append(info(screen, h));
    return list;
}

std::optional<ScreenInfo> main() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    return info(primary, primaryHeight());
}

QPointF pointer() {
    return ScreenPlacement::pointFromQt(QPointF(QCursor::pos()), primaryHeight());
}

} // namespace DesktopScreens

} // namespace quelvio
