#include "AppDelegate.h"

#include "DesktopIcons.h"
#include "KeyablePanel.h"
#include "Logging.h"
#include "MenuBarDropdownController.h"
#include "PanelThemeController.h"
#include "Presentation/StatusItem.h"
#include "QtDropdownPanelHost.h"
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
#include <QtGui/private/qfont_p.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quelvio {

namespace {

const QUrl panelRootUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/MenuBarDropdownView.qml"));
const QUrl mainWindowViewUrl(QStringLiteral("qrc:/qt/qml/Quelvio/qml/MainWindowView.qml"));

} // namespace

// Both windows with their views, the QML engine that runs them and the shell's controllers for
// them: what only shown windows need. Dropped whole once both stayed hidden a while, because the
// scene graph's nodes (and with them the font engines and mapped font files), the render loop's
// backing store, the views' objects and the JavaScript heap go only with their owners; built
// again before the next show.
struct AppDelegate::Windows {
    QQmlEngine engine;
    KeyablePanel panel;
    QtDropdownPanelHost panelHost{&panel};
    MenuBarDropdownController dropdown;
    HideOnCloseWindow mainWindow;
    QtMainWindowHost mainWindowHost{&mainWindow};
    MainWindowController mainWindowController;
    QPointer<QQuickItem> panelView;
    QPointer<QQuickItem> mainWindowView;

    Windows(ShellClock& clock, WindowFrameStore& frames)
        : dropdown(panelHost, clock)
        , mainWindowController(mainWindowHost, frames, clock) {
        panelHost.attach(&dropdown);
        mainWindowHost.attach(&mainWindowController);
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    }

    ~Windows() {
        // Before the windows they sit in, while the bindings still find them.
        delete panelView;
        delete mainWindowView;
    }
};

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
    , m_resume(QDBusConnection::systemBus()) {
    StateBridge::setShared(&m_bridge);
    SecureFieldAccessible::install();
    AppActivationPolicy::shared().setHost(&m_activationHost);
    connect(&m_notifier, &DesktopNotifier::opened, this, &AppDelegate::openAlert);
    connect(&m_notifier, &DesktopNotifier::muted, &m_state,
            [this](qint64 productID) { m_state.setAlertsMuted(productID, true); });
    connect(&m_resume, &SystemResume::resumed, &m_state, &AppState::resumeLive);
    connect(&m_bridge, &StateBridge::quitRequested, qApp, &QApplication::quit);
    connect(&m_bridge, &StateBridge::closeRequested, this, [this] {
        if (m_windows)
            m_windows->dropdown.hide(true);
    });
    connect(&m_bridge, &StateBridge::expandRequested, this, [this] {
        if (m_windows)
            m_windows->dropdown.hide(true);
        showMainWindowAction();
    });
}

AppDelegate::~AppDelegate() {
    // First, while what their signals reach still exists; reset() clears the pointer before
    // deleting, so the windows' last signals find none.
    m_windows.reset();
    AppActivationPolicy::shared().setHost(nullptr);
    StateBridge::setShared(nullptr);
}

void AppDelegate::applicationDidFinishLaunching() {
    m_activationHost.setActivationPolicy(ActivationPolicy::accessory);
    // The Edit menu's cut, copy, paste and select-all are the text fields' own shortcuts on Linux.
    m_windowIcon = applicationIcon(); // rendered once for every window built
    panel();                          // the first click on the tray icon should not wait for it
    mainWindow();
    configureStatusItem();
    followDesktopAppearance();
    m_state.refreshLaunchAtLogin();
    m_state.start();
    // The main window's view refreshes what it shows as the window appears.
    QTimer::singleShot(400, this, [this] { mainWindow().show(); });
}

AppDelegate::Windows& AppDelegate::windows() {
    if (m_windows)
        return *m_windows;
    m_windows = std::make_unique<Windows>(m_clock, m_frames);
    Windows& built = *m_windows;
    built.panel.setIcon(m_windowIcon);
    built.mainWindow.setIcon(m_windowIcon);
    built.panelHost.setStatusItemGeometry([this] { return m_statusItem.geometry(); });
    built.panelHost.setReduceMotion(m_reduceMotion);
    m_activationHost.setWindow(&built.mainWindow);
    connect(&built.panel, &QWindow::visibleChanged, this, &AppDelegate::windowShownChanged);
    connect(&built.mainWindow, &QWindow::visibleChanged, this, &AppDelegate::windowShownChanged);
    // For the benchmarks: the first frame that shows product rows, and how long a window built
    // again after a release takes to appear.
    connect(&built.mainWindow, &QQuickWindow::frameSwapped, this, [this] {
        if (m_showing.isValid()) {
            qCDebug(lcState) << "shown again after a release in" << m_showing.elapsed() << "ms";
            m_showing.invalidate();
        }
        if (!m_firstRowsPainted && m_bridge.products()->count() > 0) {
            m_firstRowsPainted = true;
            qCDebug(lcState) << "first product rows painted";
        }
    });
    return built;
}

// Each view is built when its window is first asked for: after a release, showing one window
// need not wait for the other's.
KeyablePanel& AppDelegate::panel() {
    Windows& built = windows();
    if (!built.panelView) {
        built.panelView = createRootItem(panelRootUrl);
        built.panelView->setParentItem(built.panel.contentItem());
        built.panelView->setParent(&built.panel);
    }
    return built.panel;
}

MainWindowController& AppDelegate::mainWindow() {
    Windows& built = windows();
    if (!built.mainWindowView) {
        built.mainWindowView = createRootItem(mainWindowViewUrl);
        built.mainWindowView->setParent(&built.mainWindow);
        built.mainWindowController.setContent(built.mainWindowView);
    }
    return built.mainWindowController;
}

void AppDelegate::windowShownChanged() {
    if (m_windows)
        m_idleRelease.windowsChanged(m_windows->panel.isVisible() || m_windows->mainWindow.isVisible());
}

// What the views show lives in the state, so windows built again show the same route, tab and
// product.
void AppDelegate::releaseHiddenWindows() {
    m_windows.reset();
    // The cached font engines keep their fonts' files mapped (several MiB for the CJK faces) and
    // their glyph caches; Qt offers no public way to let them go.
    QFontCache::instance()->clear();
#ifdef __GLIBC__
    malloc_trim(0); // what was freed goes back to the system, not only to the allocator
#endif
    qCDebug(lcState) << "hidden windows released";
}

void AppDelegate::applicationWillTerminate() {
    m_state.cancelKeptTasks();
}

QQuickItem* AppDelegate::createRootItem(const QUrl& url) {
    QQmlComponent component(&m_windows->engine, url);
    QObject* created = component.create();
    if (!created)
        qFatal("%s", qPrintable(component.errorString()));
    return qobject_cast<QQuickItem*>(created);
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
        m_reduceMotion = reduce;
        if (m_windows)
            m_windows->panelHost.setReduceMotion(reduce);
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
    panel();
    StatusItemActions::toggleDropdown(&windows().dropdown, [this] { m_state.appearOnPanel(); });
}

void AppDelegate::showMainWindowAction() {
    if (!m_windows)
        m_showing.start();
    MainWindowController& controller = mainWindow();
    // Already up: its view will not appear again, so refresh here.
    if (controller.isVisible())
        m_state.appearOnPanel();
    controller.show();
}

void AppDelegate::showSettingsAction() {
    m_state.setRoute(PanelRoute::settings());
    showMainWindowAction();
}

} // namespace quelvio
