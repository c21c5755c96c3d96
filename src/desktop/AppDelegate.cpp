#include "AppDelegate.h"

#include "Logging.h"
#include "PanelThemeController.h"
#include "Presentation/StatusItem.h"
#include "StatusItemActions.h"
#include "SymbolGlyphs.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QPainter>
#include <QQmlComponent>
#include <QQuickItem>
#include <QTimer>

namespace quelvio {

namespace {

const QUrl panelRootUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/MenuBarDropdownView.qml"));
const QUrl mainWindowViewUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/MainWindowView.qml"));

// The tray icon: the design's symbol drawn from the icon font, light on the panel's dark tone.
QIcon statusIcon(const QString& symbolName) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QFont font(QString::fromLatin1(SymbolGlyphs::fontFamily));
        font.setPixelSize(size);
        painter.setFont(font);
        painter.setPen(QColor(0xf2, 0xf2, 0xf2));
        painter.drawText(pixmap.rect(), Qt::AlignCenter, SymbolGlyphs::glyph(symbolName));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

void DesktopActivationHost::activate() {
    if (m_window && m_window->isVisible()) {
        m_window->raise();
        m_window->requestActivate();
    }
}

AppDelegate::AppDelegate()
    : m_state(m_store, &m_network, StateSeams{&PanelThemeController::shared(), &m_launchAtLogin})
    , m_bridge(m_state)
    , m_panelHost(&m_panel) {
    StateBridge::setShared(&m_bridge);
    m_engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    AppActivationPolicy::shared().setHost(&m_activationHost);
}

AppDelegate::~AppDelegate() {
    AppActivationPolicy::shared().setHost(nullptr);
    StateBridge::setShared(nullptr);
}

void AppDelegate::applicationDidFinishLaunching() {
    m_activationHost.setActivationPolicy(ActivationPolicy::accessory);
    // The Edit menu's cut, copy, paste and select-all are the text fields' own shortcuts on Linux.
    configureDropdown();
    configureMainWindow();
    configureStatusItem();
    m_state.refreshLaunchAtLogin();
    m_state.start();
    // The main window's view refreshes what it shows as the window appears.
    QTimer::singleShot(400, this, [this] { m_mainWindowController->show(); });
}

void AppDelegate::applicationWillTerminate() {
    m_state.cancelKeptTasks();
}

QQuickItem* AppDelegate::createRootItem(const QUrl& url) {
    QQmlComponent component(&m_engine, url);
    QObject* created = component.create();
    if (!created)
        qFatal("%s", qPrintable(component.errorString()));
    return qobject_cast<QQuickItem*>(created);
}

void AppDelegate::configureDropdown() {
    QQuickItem* root = createRootItem(panelRootUrl);
    root->setParentItem(m_panel.contentItem());
    root->setParent(&m_panel);
    m_dropdown = std::make_unique<MenuBarDropdownController>(m_panelHost, m_clock);
    m_panelHost.attach(m_dropdown.get());
    m_panelHost.setStatusItemGeometry([this] { return m_statusItem.geometry(); });
    connect(&m_bridge, &StateBridge::quitRequested, qApp, &QApplication::quit);
    connect(&m_bridge, &StateBridge::closeRequested, this, [this] { m_dropdown->hide(true); });
    connect(&m_bridge, &StateBridge::expandRequested, this, [this] {
        m_dropdown->hide(true);
        showMainWindowAction();
    });
}

void AppDelegate::configureMainWindow() {
    m_mainWindow = std::make_unique<HideOnCloseWindow>();
    // For the start-up benchmark: the first frame that shows product rows.
    connect(m_mainWindow.get(), &QQuickWindow::frameSwapped, this, [this] {
        if (!m_firstRowsPainted && m_bridge.products()->count() > 0) {
            m_firstRowsPainted = true;
            qCDebug(lcState) << "first product rows painted";
        }
    });
    m_mainWindowHost = std::make_unique<QtMainWindowHost>(m_mainWindow.get());
    m_mainWindowController = std::make_unique<MainWindowController>(*m_mainWindowHost, m_frames, m_clock);
    m_mainWindowHost->attach(m_mainWindowController.get());
    QQuickItem* root = createRootItem(mainWindowViewUrl);
    root->setParent(m_mainWindow.get());
    m_mainWindowController->setContent(root);
    m_activationHost.setWindow(m_mainWindow.get());
}

void AppDelegate::configureStatusItem() {
    const MenuBarPresentation presentation = defaultMenuBarPresentation();
    m_statusItem.setIcon(statusIcon(presentation.symbolName));
    m_statusItem.setToolTip(presentation.accessibilityDescription);
    StatusItemActions::populateMenu(m_statusItemRightClickMenu, [this](StatusItemActions::MenuAction action) {
        switch (action) {
        case StatusItemActions::MenuAction::showMainWindow:
            showMainWindowAction();
            break;
        case StatusItemActions::MenuAction::showSettings:
            showSettingsAction();
            break;
        case StatusItemActions::MenuAction::quit:
            QApplication::quit();
            break;
        }
    });
    connect(&m_statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (StatusItemActions::clickAction(StatusItemActions::clickKind(reason))) {
                case StatusItemActions::ClickAction::toggleDropdown:
                    toggleDropdown();
                    break;
                case StatusItemActions::ClickAction::showContextMenu:
                    m_statusItemRightClickMenu.popup(QCursor::pos());
                    break;
                }
            });
    m_statusItem.show();
}

void AppDelegate::toggleDropdown() {
    StatusItemActions::toggleDropdown(m_dropdown.get(), [this] { m_state.appearOnPanel(); });
}

void AppDelegate::showMainWindowAction() {
    // Already up: its view will not appear again, so refresh here.
    if (m_mainWindowController->isVisible())
        m_state.appearOnPanel();
    m_mainWindowController->show();
}

void AppDelegate::showSettingsAction() {
    m_state.setRoute(PanelRoute::settings());
    showMainWindowAction();
}

} // namespace quelvio
