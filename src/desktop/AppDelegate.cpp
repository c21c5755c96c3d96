#include "AppDelegate.h"

#include "DesktopIcons.h"
#include "Logging.h"
#include "PanelThemeController.h"
#include "Presentation/StatusItem.h"
#include "SecureFieldAccessible.h"
#include "StatusItemActions.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QFileInfo>
#include <QQmlComponent>
#include <QQuickItem>
#include <QStandardPaths>
#include <QTimer>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quelvio {

namespace {

const QUrl panelRootUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/MenuBarDropdownView.qml"));
const QUrl mainWindowViewUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/MainWindowView.qml"));

} // namespace

void DesktopActivationHost::activate() {
    if (m_window && m_window->isVisible()) {
        m_window->raise();
        m_window->requestActivate();
    }
}

AppDelegate::AppDelegate()
    : m_desktopSettings(QDBusConnection::sessionBus())
    , m_desktopAppearance(m_desktopSettings)
    , m_notifier(QDBusConnection::sessionBus())
    , m_alertFile(QFileInfo(m_store.fileName()).absolutePath() + QStringLiteral("/price-alerts.json"),
                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                      QStringLiteral("/seen-prices.json"))
    , m_state(m_store, &m_network,
              StateSeams{&PanelThemeController::shared(), &m_launchAtLogin, &m_notifier, &m_alertFile})
    , m_bridge(m_state)
    , m_resume(QDBusConnection::systemBus())
    , m_panelHost(&m_panel) {
    StateBridge::setShared(&m_bridge);
    SecureFieldAccessible::install();
    m_engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    AppActivationPolicy::shared().setHost(&m_activationHost);
    connect(&m_notifier, &DesktopNotifier::opened, this, &AppDelegate::openAlert);
    connect(&m_notifier, &DesktopNotifier::muted, &m_state,
            [this](qint64 productID) { m_state.setAlertsMuted(productID, true); });
    connect(&m_resume, &SystemResume::resumed, &m_state, &AppState::resumeLive);
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
    // Rendered once for both windows.
    const QIcon icon = applicationIcon();
    m_panel.setIcon(icon);
    m_mainWindow->setIcon(icon);
    configureStatusItem();
    followDesktopAppearance();
    const auto shownChanged = [this] {
        m_idleRelease.windowsChanged(m_panel.isVisible() || m_mainWindow->isVisible());
    };
    connect(&m_panel, &QWindow::visibleChanged, this, shownChanged);
    connect(m_mainWindow.get(), &QWindow::visibleChanged, this, shownChanged);
    m_state.refreshLaunchAtLogin();
    m_state.start();
    // The main window's view refreshes what it shows as the window appears.
    QTimer::singleShot(400, this, [this] { m_mainWindowController->show(); });
}

void AppDelegate::releaseHiddenWindows() {
    // The native windows with their backing stores and the scene graph's caches; the views
    // themselves stay, so a window comes back as it was left.
    for (QQuickWindow* window :
         {static_cast<QQuickWindow*>(&m_panel), static_cast<QQuickWindow*>(m_mainWindow.get())}) {
        window->releaseResources();
        window->destroy();
    }
#ifdef __GLIBC__
    malloc_trim(0); // what was freed goes back to the system, not only to the allocator
#endif
    m_released = true;
    qCDebug(lcState) << "hidden windows released";
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
        if (m_showing.isValid()) {
            qCDebug(lcState) << "shown again after a release in" << m_showing.elapsed() << "ms";
            m_showing.invalidate();
            m_released = false;
        }
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
    m_statusItem.setIcon(trayIcon(presentation.symbolName, m_desktopAppearance.colorScheme()));
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

// The desktop's wishes arrive after start-up (the portal answers asynchronously) and may change
// while running; until then motion stays on and the glyph light.
void AppDelegate::followDesktopAppearance() {
    const auto applyMotion = [this](bool reduce) {
        PanelThemeController::shared().setReduceMotion(reduce);
        m_panelHost.setReduceMotion(reduce);
    };
    connect(&m_desktopAppearance, &DesktopAppearance::reduceMotionChanged, this, applyMotion);
    connect(&m_desktopAppearance, &DesktopAppearance::colorSchemeChanged, this, [this](ColorScheme scheme) {
        m_statusItem.setIcon(trayIcon(defaultMenuBarPresentation().symbolName, scheme));
    });
    applyMotion(m_desktopAppearance.reduceMotion());
    m_desktopAppearance.load();
}

// A price-drop alert was clicked: its product, or the favourites for a summary.
void AppDelegate::openAlert(std::optional<qint64> productID) {
    if (productID) {
        m_state.openProduct(*productID);
    } else {
        m_state.popToRoot();
        m_state.selectTab(MenuBarDropdownTab::favorites);
    }
    showMainWindowAction();
}

void AppDelegate::toggleDropdown() {
    StatusItemActions::toggleDropdown(m_dropdown.get(), [this] { m_state.appearOnPanel(); });
}

void AppDelegate::showMainWindowAction() {
    // Already up: its view will not appear again, so refresh here.
    if (m_mainWindowController->isVisible())
        m_state.appearOnPanel();
    else if (m_released)
        m_showing.start(); // for the benchmark: how long a released window takes to come back
    m_mainWindowController->show();
}

void AppDelegate::showSettingsAction() {
    m_state.setRoute(PanelRoute::settings());
    showMainWindowAction();
}

} // namespace quelvio
