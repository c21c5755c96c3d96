#pragma once

#include "AppActivationPolicy.h"
#include "Presentation/Placement.h"
#include "ScreenPlacement.h"
#include "ShellClock.h"
#include "Theme.h"

#include <QObject>
#include <QPointF>
#include <chrono>
#include <functional>
#include <optional>

namespace quelvio {

// What the dropdown controller needs from the windowing system. Every rectangle and point is in
// bottom-up coordinates (origin bottom-left, y up); a Qt host converts at this seam.
class DropdownPanelHost {
public:
    virtual ~DropdownPanelHost() = default;

    // The panel window.
    virtual bool isPanelVisible() const = 0;
    virtual bool isPanelKey() const = 0;
    virtual PanelScreenFrame panelFrame() const = 0;
    virtual void setPanelFrame(const PanelScreenFrame& frame) = 0;
    // Stops a running fade without calling its completion.
    virtual void setPanelAlpha(double alpha) = 0;
    // Animates the alpha to 0 with ease-in timing and calls done on the GUI thread when it ends.
    virtual void fadeOutPanel(std::chrono::milliseconds duration, std::function<void()> done) = 0;
    virtual void orderPanelFrontRegardless() = 0;
    virtual void makePanelKeyAndOrderFront() = 0;
    virtual void orderPanelOut() = 0;
    virtual void setPanelAppearance(AppAppearance appearance) = 0;

    // Displays, pointer and the status icon; the icon's frame is often unknown on Linux.
    virtual QList<ScreenInfo> screens() const = 0;
    virtual std::optional<ScreenInfo> mainScreen() const = 0;
    virtual QPointF pointerLocation() const = 0;
    virtual std::optional<PanelScreenFrame> statusItemFrame() const = 0;

    // The application.
    virtual void activateApplication() = 0;
    virtual bool hasModalWindow() const = 0;
    virtual bool reduceMotion() const = 0;

    // Starts reporting mouse presses to MenuBarDropdownController::mouseDown; false when the host
    // cannot watch (the next show tries again).
    virtual bool installOutsideClickMonitor() = 0;
    virtual void removeOutsideClickMonitor() = 0;
};

struct MenuBarDropdownTiming {
    std::chrono::milliseconds guard{450};
    std::chrono::milliseconds resignRecheck{80};
    std::chrono::milliseconds fade{100};
};

// Opens the dropdown panel next to the status icon and closes it like a menu: on a click outside,
// Escape or focus loss, with short guards right after opening and while one of our own menus is
// open. The host reports events by calling the public slots below.
class MenuBarDropdownController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isVisible READ isVisible NOTIFY visibilityChanged)
    Q_PROPERTY(bool isAnimatingHide READ isAnimatingHide NOTIFY visibilityChanged)

public:
    MenuBarDropdownController(DropdownPanelHost& host, ShellClock& clock,
                              AppActivationPolicy& policy = AppActivationPolicy::shared(),
                              MenuBarDropdownTiming timing = {}, QObject* parent = nullptr);

    bool isVisible() const { return m_host.isPanelVisible(); }
    bool isAnimatingHide() const { return m_isAnimatingHide; }
    bool isMenuTracking() const { return m_isMenuTracking; }
    // Over a full-screen window the panel opens on the next turn of the event loop.
    bool isPresentPending() const { return m_presentPending; }
    quint64 transitionId() const { return m_transitionId; }
    // The icon's resolved frame grown by 4 on every side; clicks in it are the icon's own.
    PanelScreenFrame statusButtonFrame() const { return m_statusButtonFrame; }

    void show();
    void hide(bool animated);

public slots:
    // A mouse press anywhere the host can see, at a point in bottom-up coordinates.
    void mouseDown(QPointF point);
    void panelDidResignKey();
    void escapePressed() { hide(true); }
    void menuTrackingBegan();
    void menuTrackingEnded() { m_isMenuTracking = false; }
    void applyCurrentTheme();

signals:
    void visibilityChanged();
    // The panel has just been put up (again).
    void presented();

private:
    void present(bool forceOntoCurrentSpace);
    void updateAnchor();
    void installOutsideClickMonitors();
    void removeOutsideClickMonitors();
    void hideIfClickIsOutside(QPointF point);
    void finishFade(quint64 token);
    bool isBefore(const std::optional<ShellClock::TimePoint>& until) const;

    DropdownPanelHost& m_host;
    ShellClock& m_clock;
    AppActivationPolicy& m_policy;
    MenuBarDropdownTiming m_timing;

    bool m_monitorInstalled = false;
    bool m_presentPending = false;
    bool m_isAnimatingHide = false;
    bool m_isMenuTracking = false;
    quint64 m_transitionId = 0;
    std::optional<ShellClock::TimePoint> m_ignoredOutsideClickUntil;
    std::optional<ShellClock::TimePoint> m_ignoreResignUntil;
    PanelScreenFrame m_statusButtonFrame{};
};

} // namespace quelvio
