#pragma once

#include "AppActivationPolicy.h"
#include "AppState.h"
#include "DesktopAppearance.h"
#include "DesktopNotifications.h"
#include "DesktopSettings.h"
#include "IdleWindowRelease.h"
#include "KeyablePanel.h"
#include "LaunchAtLogin.h"
#include "MainWindowController.h"
#include "MenuBarDropdownController.h"
#include "NetworkAccess.h"
#include "QtDropdownPanelHost.h"
#include "QtMainWindowHost.h"
#include "SessionStore.h"
#include "ShellClock.h"
#include "StateBridge.h"
#include "SystemResume.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSystemTrayIcon>
#include <memory>

namespace quelvio {

// Linux has no accessory mode: the panel is a tool window and the main window a normal one
// whatever the policy, so becoming "regular" only needs the main window brought forward.
class DesktopActivationHost : public ActivationHost {
public:
    ActivationPolicy activationPolicy() const override { return m_policy; }
    void setActivationPolicy(ActivationPolicy policy) override { m_policy = policy; }
    void activate() override;
    void setWindow(QWindow* window) { m_window = window; }

private:
    ActivationPolicy m_policy = ActivationPolicy::accessory;
    QPointer<QWindow> m_window;
};

// Owns everything the program shows: the state, the tray icon and its menu, the dropdown panel
// and the main window, and runs the launch sequence.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate();
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    AppState& appState() { return m_state; }
    QQuickWindow* mainWindow() const { return m_mainWindow.get(); }
    MainWindowController& mainWindowController() { return *m_mainWindowController; }
    KeyablePanel& panel() { return m_panel; }

    void toggleDropdown();
    void showMainWindowAction();
    void showSettingsAction();

private:
    void configureDropdown();
    void configureMainWindow();
    void configureStatusItem();
    void followDesktopAppearance();
    void openAlert(std::optional<qint64> productID);
    void releaseHiddenWindows();
    QQuickItem* createRootItem(const QUrl& url);

    PortalSettingsSource m_desktopSettings;
    DesktopAppearance m_desktopAppearance;
    DesktopNotifier m_notifier;
    NetworkAccess m_network;
    UserDefaultsSessionStore m_store;
    AlertFile m_alertFile; // beside m_store's file: one per profile
    LaunchAtLoginController m_launchAtLogin = LaunchAtLoginController::forCurrentUser();
    AppState m_state;
    StateBridge m_bridge;
    QQmlEngine m_engine;
    DesktopActivationHost m_activationHost;
    SystemShellClock m_clock;
    SystemResume m_resume;
    KeyablePanel m_panel;
    QtDropdownPanelHost m_panelHost;
    std::unique_ptr<MenuBarDropdownController> m_dropdown;
    std::unique_ptr<HideOnCloseWindow> m_mainWindow;
    std::unique_ptr<QtMainWindowHost> m_mainWindowHost;
    SettingsWindowFrameStore m_frames;
    std::unique_ptr<MainWindowController> m_mainWindowController;
    IdleWindowRelease m_idleRelease{m_clock, [this] { releaseHiddenWindows(); }};
    QSystemTrayIcon m_statusItem;
    QMenu m_statusItemRightClickMenu;
    bool m_firstRowsPainted = false;
    bool m_released = false;
    QElapsedTimer m_showing;
};

} // namespace quelvio
