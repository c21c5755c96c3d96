#include "QtDropdownPanelHost.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace quelvio {

QtDropdownPanelHost::QtDropdownPanelHost(KeyablePanel* panel, QObject* parent)
    : QObject(parent)
    , m_panel(panel) {}

QtDropdownPanelHost::~QtDropdownPanelHost() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void QtDropdownPanelHost::attach(MenuBarDropdownController* controller) {
    m_controller = controller;
    // Menus are watched for good, so the end of one is never missed while the panel is hidden.
    if (qApp)
        qApp->installEventFilter(this);
    if (!m_panel)
        return;
    connect(m_panel, &KeyablePanel::escapePressed, controller, &MenuBarDropdownController::escapePressed);
    connect(m_panel, &KeyablePanel::resignedKey, controller, &MenuBarDropdownController::panelDidResignKey);
}

double QtDropdownPanelHost::primaryHeight() {
    return DesktopScreens::primaryHeight();
}

bool QtDropdownPanelHost::isPanelVisible() const {
    return m_panel && m_panel->isVisible();
}

bool QtDropdownPanelHost::isPanelKey() const {
    return m_panel && m_panel->isActive();
}

PanelScreenFrame QtDropdownPanelHost::panelFrame() const {
    if (!m_panel)
        return {};
    return PanelScreenFrame::fromQtRect(QRectF(m_panel->geometry()), primaryHeight());
}

void QtDropdownPanelHost::setPanelFrame(const PanelScreenFrame& frame) {
    if (m_panel)
        m_panel->setGeometry(frame.toQtRect(primaryHeight()).toAlignedRect());
}

void QtDropdownPanelHost::setPanelAlpha(double alpha) {
    if (m_panel)
        m_panel->setAlpha(alpha);
}

void QtDropdownPanelHost::fadeOutPanel(std::chrono::milliseconds duration, std::function<void()> done) {
    if (m_panel)
        m_panel->fadeOut(duration, std::move(done));
}

void QtDropdownPanelHost::orderPanelFrontRegardless() {
    if (!m_panel)
        return;
    m_panel->show();
    m_panel->raise();
}

void QtDropdownPanelHost::makePanelKeyAndOrderFront() {
    if (!m_panel)
        return;
    m_panel->show();
    m_panel->raise();
    m_panel->requestActivate();
}

void QtDropdownPanelHost::orderPanelOut() {
    if (m_panel)
        m_panel->hide();
}

void QtDropdownPanelHost::setPanelAppearance(AppAppearance appearance) {
    m_appearance = appearance;
}

QList<ScreenInfo> QtDropdownPanelHost::screens() const {
    return DesktopScreens::all();
}

std::optional<ScreenInfo> QtDropdownPanelHost::mainScreen() const {
    return DesktopScreens::main();
}

QPointF QtDropdownPanelHost::pointerLocation() const {
    return DesktopScreens::pointer();
}

std::optional<PanelScreenFrame> QtDropdownPanelHost::statusItemFrame() const {
    if (!m_statusItemGeometry)
        return std::nullopt;
    const QRect geometry = m_statusItemGeometry();
    if (!geometry.isValid() || geometry.isEmpty())
        return std::nullopt;
    return PanelScreenFrame::fromQtRect(QRectF(geometry), primaryHeight());
}

bool QtDropdownPanelHost::hasModalWindow() const {
    return QGuiApplication::modalWindow() != nullptr;
}

bool QtDropdownPanelHost::installOutsideClickMonitor() {
    m_watching = m_controller && qApp;
    return m_watching;
}

void QtDropdownPanelHost::removeOutsideClickMonitor() {
    m_watching = false;
}

bool QtDropdownPanelHost::eventFilter(QObject* watched, QEvent* event) {
    if (!m_controller)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress: {
        // Every press reaches its window before any widget inside it: count it there, once.
        if (!m_watching || !watched->isWindowType())
            break;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // The pixel's centre: its corner would flip onto the panel's top edge, which the
        // half-open frame leaves outside, so a press on the top row would close the panel.
        const QPointF centre = mouse->globalPosition() + QPointF(0.5, 0.5);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
            m_controller->mouseDown(ScreenPlacement::pointFromQt(centre, primaryHeight()));
        break;
    }
    case QEvent::Show:
        if (watched->inherits("QMenu"))
            m_controller->menuTrackingBegan();
        break;
    case QEvent::Hide:
        if (watched->inherits("QMenu"))
            m_controller->menuTrackingEnded();
        break;
    default:
        break;
    }
    return false;
}

} // namespace quelvio
