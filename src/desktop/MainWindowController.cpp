#include "MainWindowController.h"

#include "PanelThemeController.h"

namespace quelvio {

namespace MainWindowLayout {

MainWindowConfiguration configuration() {
    return {title,
            PanelScreenFrame{0, 0, MainWindowPlacement::defaultWidth, MainWindowPlacement::defaultHeight},
            QSizeF(minimumWidth, minimumHeight)};
}

} // namespace MainWindowLayout

MainWindowController::MainWindowController(MainWindowHost& host, WindowFrameStore& frames, ShellClock& clock,
                                           AppActivationPolicy& policy, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_frames(frames)
    , m_clock(clock)
    , m_policy(policy) {
    m_host.configureWindow(MainWindowLayout::configuration());
    if (const std::optional<PanelScreenFrame> saved = m_frames.frame(MainWindowLayout::frameAutosaveName))
        m_host.setWindowFrame(*saved);
    connect(&PanelThemeController::shared(), &PanelThemeController::mirlowThemeDidChange, this,
            &MainWindowController::applyCurrentTheme);
    applyCurrentTheme();
}

void MainWindowController::setContent(QQuickItem* content) {
    m_host.setContent(content);
    applyCurrentTheme();
}

void MainWindowController::show() {
    m_policy.insert(ActivationReason::main);
    m_policy.apply();
    const bool wasVisible = isVisible();
    m_showPending = true;
    if (!wasVisible)
        emit visibilityChanged();
    m_clock.schedule(std::chrono::milliseconds(0), this, [this] {
        // A hide in between wins; of two shows in a row the first puts the window up.
        if (!m_showPending)
            return;
        m_showPending = false;
        placeOnCurrentScreen();
        m_host.makeWindowKeyAndOrderFront();
        emit visibilityChanged();
        emit presented();
    });
}

void MainWindowController::hide() {
    windowShouldClose();
}

void MainWindowController::toggle() {
    if (isVisible())
        hide();
    else
        show();
}

bool MainWindowController::windowShouldClose() {
    const bool wasVisible = isVisible();
    if (m_host.isWindowVisible())
        saveFrame(m_host.windowFrame());
    m_showPending = false;
    m_host.orderWindowOut();
    m_policy.remove(ActivationReason::main);
    m_policy.apply();
    if (wasVisible)
        emit visibilityChanged();
    return false;
}

void MainWindowController::windowFrameDidChange() {
    // Qt reports geometry while the window is put away too; only a frame on screen is worth keeping.
    if (m_host.isWindowVisible())
        saveFrame(m_host.windowFrame());
}

void MainWindowController::placeOnCurrentScreen() {
    const std::optional<ScreenInfo> screen = ScreenPlacement::screenContainingPointer(
        m_host.pointerLocation(), m_host.screens(), m_host.mainScreen());
    // No display to measure: the window stays where it was.
    if (!screen)
        return;
    const PanelScreenFrame frame =
        MainWindowPlacement::frame(m_host.windowFrame(), screen->visibleFrame,
                                   MainWindowPlacement::defaultWidth, MainWindowPlacement::defaultHeight);
    m_host.setWindowFrame(frame);
    saveFrame(frame);
}

void MainWindowController::applyCurrentTheme() {
    const PanelThemeController& theme = PanelThemeController::shared();
    m_host.setWindowAppearance(theme.isLight() ? AppAppearance::light : AppAppearance::dark);
    m_host.setWindowBackground(theme.windowBackground());
}

void MainWindowController::saveFrame(const PanelScreenFrame& frame) {
    m_frames.setFrame(MainWindowLayout::frameAutosaveName, frame);
}

} // namespace quelvio
