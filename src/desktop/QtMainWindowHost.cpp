#include "QtMainWindowHost.h"

#include "DesktopIcons.h"
#include "SessionStore.h"
#include "X11WindowHints.h"

#include <QCursor>
#include <QGuiApplication>
#include <QQuickItem>
#include <QScreen>
#include <QTimer>
#include <cmath>

namespace quelvio {

HideOnCloseWindow::HideOnCloseWindow(QWindow* parent)
    : QQuickWindow(parent) {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

HideOnCloseWindow::~HideOnCloseWindow() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool HideOnCloseWindow::eventFilter(QObject* watched, QEvent* event) {
    // The application sees its quit before it closes the windows.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        m_quitting = true;
        // Another window may still refuse and cancel the quit; then the close button hides again.
        QTimer::singleShot(0, this, [this] { m_quitting = false; });
    }
    return false;
}

void HideOnCloseWindow::showEvent(QShowEvent* event) {
    X11WindowHints::setDesktopEntry(this, desktopFileName);
    QQuickWindow::showEvent(event);
}

bool HideOnCloseWindow::event(QEvent* event) {
    // Accepting a close would destroy the platform window; the controller hides it instead.
    if (event->type() == QEvent::Close && !m_quitting) {
        event->ignore();
        emit closeRequested();
        return true;
    }
    return QQuickWindow::event(event);
}

QtMainWindowHost::QtMainWindowHost(HideOnCloseWindow* window, QObject* parent)
    : QObject(parent)
    , m_window(window) {
    if (m_window) {
        connect(m_window->contentItem(), &QQuickItem::widthChanged, this, &QtMainWindowHost::fitContent);
        connect(m_window->contentItem(), &QQuickItem::heightChanged, this, &QtMainWindowHost::fitContent);
    }
}

void QtMainWindowHost::attach(MainWindowController* controller) {
    if (!m_window)
        return;
    connect(m_window, &HideOnCloseWindow::closeRequested, controller,
            &MainWindowController::windowShouldClose);
    for (auto signal :
         {&QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged})
        connect(m_window, signal, controller, &MainWindowController::windowFrameDidChange);
}

double QtMainWindowHost::primaryHeight() {
    return DesktopScreens::primaryHeight();
}

void QtMainWindowHost::configureWindow(const MainWindowConfiguration& configuration) {
    if (!m_window)
        return;
    m_window->setFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_window->setTitle(configuration.title);
    m_window->setMinimumSize(configuration.minimumSize.toSize());
    setWindowFrame(configuration.contentRect);
}

void QtMainWindowHost::setContent(QQuickItem* content) {
    if (!m_window || content == m_content)
        return;
    if (m_content)
        m_content->setParentItem(nullptr);
    m_content = content;
    if (m_content)
        m_content->setParentItem(m_window->contentItem());
    fitContent();
}

void QtMainWindowHost::fitContent() {
    if (m_window && m_content)
        m_content->setSize(m_window->contentItem()->size());
}

bool QtMainWindowHost::isWindowVisible() const {
    return m_window && m_window->isVisible();
}

PanelScreenFrame QtMainWindowHost::windowFrame() const {
    if (!m_window)
        return {};
    // The content area without the decorations: they are unknown until the window manager has
    // framed the window, and a frame restored before that would grow by them at every launch.
    return PanelScreenFrame::fromQtRect(QRectF(m_window->geometry()), primaryHeight());
}

void QtMainWindowHost::setWindowFrame(const PanelScreenFrame& frame) {
    if (m_window)
        m_window->setGeometry(frame.toQtRect(primaryHeight()).toAlignedRect());
}

void QtMainWindowHost::makeWindowKeyAndOrderFront() {
    if (!m_window)
        return;
    if (m_window->windowStates() & Qt::WindowMinimized)
        m_window->setWindowStates(m_window->windowStates() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

void QtMainWindowHost::orderWindowOut() {
    if (m_window)
        m_window->hide();
}

void QtMainWindowHost::setWindowBackground(const QColor& colour) {
    if (m_window)
        m_window->setColor(colour);
}

QList<ScreenInfo> QtMainWindowHost::screens() const {
    return DesktopScreens::all();
}

std::optional<ScreenInfo> QtMainWindowHost::mainScreen() const {
    return DesktopScreens::main();
}

QPointF QtMainWindowHost::pointerLocation() const {
    return DesktopScreens::pointer();
}

SettingsWindowFrameStore::SettingsWindowFrameStore(const SettingsFactory& open)
    : m_settings(open ? open()
                      : std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                    QString(UserDefaultsSessionStore::organizationName),
                                                    QString(UserDefaultsSessionStore::standardDomain))) {}

QString SettingsWindowFrameStore::key(const QString& name) {
    return QStringLiteral("quelvio.windowFrame.") + name;
}

std::optional<PanelScreenFrame> SettingsWindowFrameStore::frame(const QString& name) const {
    if (!m_settings)
        return std::nullopt;
    const QVariant value = m_settings->value(key(name));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QStringList parts = value.toString().split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return std::nullopt;
    double numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(numbers[i]))
            return std::nullopt;
    }
    // A window with no area was never a real frame.
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return std::nullopt;
    return PanelScreenFrame{numbers[0], numbers[1], numbers[2], numbers[3]};
}

void SettingsWindowFrameStore::setFrame(const QString& name, const PanelScreenFrame& frame) {
    if (!m_settings)
        return;
    m_settings->setValue(key(name), QStringLiteral("%1 %2 %3 %4")
                                        .arg(frame.x, 0, 'g', 17)
                                        .arg(frame.y, 0, 'g', 17)
                                        .arg(frame.width, 0, 'g', 17)
                                        .arg(frame.height, 0, 'g', 17));
}

} // namespace quelvio
