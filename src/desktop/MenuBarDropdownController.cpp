#include "MenuBarDropdownController.h"

#include "PanelThemeController.h"

#include <QPointer>

namespace quelvio {

namespace {

// Stand-in for an icon whose place the tray does not tell: an icon-sized box centred on the
// pointer, which is where the click on the icon happened, wherever the panel with the tray is.
constexpr double substituteIconWidth = 28;
constexpr double substituteIconHeight = 24;
constexpr double statusButtonSlop = 4;

} // namespace

MenuBarDropdownController::MenuBarDropdownController(DropdownPanelHost& host, ShellClock& clock,
                                                     AppActivationPolicy& policy,
                                                     MenuBarDropdownTiming timing, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_clock(clock)
    , m_policy(policy)
    , m_timing(timing) {
    connect(&PanelThemeController::shared(), &PanelThemeController::mirlowThemeDidChange, this,
            &MenuBarDropdownController::applyCurrentTheme);
    applyCurrentTheme();
}

void MenuBarDropdownController::show() {
    const QPointF pointer = m_host.pointerLocation();
    const std::optional<ScreenInfo> screen =
        ScreenPlacement::screenContainingPointer(pointer, m_host.screens(), m_host.mainScreen());
    if (screen && screen->showsNoBars()) {
        // Over a full-screen window only a regular application gets in front.
        m_policy.insert(ActivationReason::dropdown);
        m_policy.apply();
        m_presentPending = true;
        m_clock.schedule(std::chrono::milliseconds(0), this, [this] {
            // A hide in between wins; of two shows in a row the first opens it.
            if (!m_presentPending)
                return;
            present(false);
        });
        return;
    }
    present(true);
}

void MenuBarDropdownController::present(bool forceOntoCurrentSpace) {
    m_transitionId += 1; // a fade still running no longer finishes
    m_isAnimatingHide = false;
    m_host.setPanelAlpha(1);
    updateAnchor();
    const ShellClock::TimePoint until = m_clock.now() + m_timing.guard;
    m_ignoredOutsideClickUntil = until;
    m_ignoreResignUntil = until;
    m_host.activateApplication();
    if (forceOntoCurrentSpace)
        m_host.orderPanelFrontRegardless();
    m_host.makePanelKeyAndOrderFront();
    installOutsideClickMonitors();
    m_presentPending = false;
    emit visibilityChanged();
    emit presented();
}

void MenuBarDropdownController::updateAnchor() {
    const QPointF p = m_host.pointerLocation();
    const std::optional<ScreenInfo> screen =
        ScreenPlacement::screenContainingPointer(p, m_host.screens(), m_host.mainScreen());
    if (!screen) {
        // No display to measure: leave the panel where it was.
        m_host.setPanelAlpha(1);
        return;
    }
    const PanelScreenFrame reported = m_host.statusItemFrame().value_or(
        PanelScreenFrame{p.x() - substituteIconWidth / 2, p.y() - substituteIconHeight / 2,
                         substituteIconWidth, substituteIconHeight});
    const PanelScreenFrame b = MenuBarDropdownAnchor::resolveButtonFrame(reported, p.x(), screen->frame);
    m_statusButtonFrame = {b.x - statusButtonSlop, b.y - statusButtonSlop, b.width + 2 * statusButtonSlop,
                           b.height + 2 * statusButtonSlop};
    const PanelScreenFrame frame = MenuBarDropdownAnchor::frame(
        b, MenuBarDropdownLayout::preferredWidth, MenuBarDropdownLayout::preferredHeight,
        MenuBarDropdownLayout::gapBelowStatusItem, screen->visibleFrame);
    m_host.setPanelFrame(frame);
    m_host.setPanelAlpha(1);
}

void MenuBarDropdownController::hide(bool animated) {
    m_presentPending = false;
    m_policy.remove(ActivationReason::dropdown);
    m_policy.apply();
    if (!m_host.isPanelVisible())
        return;
    removeOutsideClickMonitors();
    if (animated && !m_host.reduceMotion()) {
        const quint64 token = ++m_transitionId;
        m_isAnimatingHide = true;
        QPointer<MenuBarDropdownController> self(this);
        m_host.fadeOutPanel(m_timing.fade, [self, token] {
            if (self)
                self->finishFade(token);
        });
        emit visibilityChanged();
        return;
    }
    m_host.orderPanelOut();
    m_host.setPanelAlpha(1);
    m_isAnimatingHide = false;
    emit visibilityChanged();
}

void MenuBarDropdownController::finishFade(quint64 token) {
    if (token != m_transitionId)
        return; // shown again meanwhile
    m_host.orderPanelOut();
    m_host.setPanelAlpha(1);
    m_isAnimatingHide = false;
    emit visibilityChanged();
}

void MenuBarDropdownController::installOutsideClickMonitors() {
    if (!m_host.isPanelVisible() || m_monitorInstalled)
        return;
    m_monitorInstalled = m_host.installOutsideClickMonitor();
}

void MenuBarDropdownController::removeOutsideClickMonitors() {
    if (!m_monitorInstalled)
        return;
    m_host.removeOutsideClickMonitor();
    m_monitorInstalled = false;
}

void MenuBarDropdownController::mouseDown(QPointF point) {
    // Decided after the press has reached its target.
    m_clock.schedule(std::chrono::milliseconds(0), this, [this, point] { hideIfClickIsOutside(point); });
}

void MenuBarDropdownController::hideIfClickIsOutside(QPointF p) {
    if (!m_host.isPanelVisible() || m_isAnimatingHide || m_isMenuTracking)
        return;
    if (isBefore(m_ignoredOutsideClickUntil))
        return;
    // A click on the icon is the icon's own toggle; acting here too would undo it.
    if (!m_host.panelFrame().contains(p.x(), p.y()) && !m_statusButtonFrame.contains(p.x(), p.y()))
        hide(true);
}

void MenuBarDropdownController::panelDidResignKey() {
    if (!m_host.isPanelVisible() || m_isAnimatingHide || m_isMenuTracking)
        return;
    if (isBefore(m_ignoreResignUntil))
        return;
    if (m_host.hasModalWindow())
        return;
    // Focus that comes straight back (a control in the panel taking it briefly) keeps it open.
    m_clock.schedule(m_timing.resignRecheck, this, [this] {
        if (m_host.isPanelVisible() && !m_isAnimatingHide && !m_host.isPanelKey() && !m_isMenuTracking)
            hide(true);
    });
}

void MenuBarDropdownController::menuTrackingBegan() {
    if (m_host.isPanelVisible())
        m_isMenuTracking = true;
}

void MenuBarDropdownController::applyCurrentTheme() {
    m_host.setPanelAppearance(PanelTheme::current().appearance);
}

bool MenuBarDropdownController::isBefore(const std::optional<ShellClock::TimePoint>& until) const {
    return until && m_clock.now() < *until;
}

} // namespace quelvio
