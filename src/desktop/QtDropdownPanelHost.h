#pragma once

#include "KeyablePanel.h"
#include "MenuBarDropdownController.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <optional>

namespace quelvio {

// The dropdown's host on Qt: a KeyablePanel, the screens Qt knows and, because Linux offers no
// global mouse monitor, an application-wide event filter for presses plus the panel's focus loss.
// Converts Qt's top-down global rectangles into bottom-up coordinates here and nowhere else.
class QtDropdownPanelHost : public QObject, public DropdownPanelHost {
    Q_OBJECT

public:
    // Where the tray says its icon is; an empty rectangle or nothing when it does not know.
    using StatusItemGeometry = std::function<QRect()>;

    explicit QtDropdownPanelHost(KeyablePanel* panel, QObject* parent = nullptr);
    ~QtDropdownPanelHost() override;

    // Events go to this controller once it exists (it needs the host first).
    void attach(MenuBarDropdownController* controller);
    void setStatusItemGeometry(StatusItemGeometry geometry) { m_statusItemGeometry = std::move(geometry); }

    KeyablePanel* panel() const { return m_panel; }
    AppAppearance appearance() const { return m_appearance; }
    bool isWatchingClicks() const { return m_watching; }

    bool isPanelVisible() const override;
    bool isPanelKey() const override;
    PanelScreenFrame panelFrame() const override;
    void setPanelFrame(const PanelScreenFrame& frame) override;
    void setPanelAlpha(double alpha) override;
    void fadeOutPanel(std::chrono::milliseconds duration, std::function<void()> done) override;
    void orderPanelFrontRegardless() override;
    void makePanelKeyAndOrderFront() override;
    void orderPanelOut() override;
    void setPanelAppearance(AppAppearance appearance) override;

    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> mainScreen() const override;
    QPointF pointerLocation() const override;
    std::optional<PanelScreenFrame> statusItemFrame() const override;

    void activateApplication() override {}
    bool hasModalWindow() const override;
    // The desktop's wish, as the shell last heard it.
    bool reduceMotion() const override { return m_reduceMotion; }
    void setReduceMotion(bool reduce) { m_reduceMotion = reduce; }

    bool installOutsideClickMonitor() override;
    void removeOutsideClickMonitor() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static double primaryHeight();

    QPointer<KeyablePanel> m_panel;
    QPointer<MenuBarDropdownController> m_controller;
    StatusItemGeometry m_statusItemGeometry;
    AppAppearance m_appearance = AppAppearance::dark;
    bool m_watching = false;
    bool m_reduceMotion = false;
};

} // namespace quelvio
