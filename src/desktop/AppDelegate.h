#pragma once

#include "AppActivationPolicy.h"
#include "AppState.h"
#include "DesktopAppearance.h"
#include "DesktopNotifications.h"
#include "DesktopSettings.h"
#include "IdleWindowRelease.h"
#include "LaunchAtLogin.h"
#include "NetworkAccess.h"
#include "QtMainWindowHost.h"
#include "SessionStore.h"
#include "ShellClock.h"
#include "StateBridge.h"
#include "SystemResume.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QQmlEngine>
#include <QSystemTrayIcon>
#include <memory>

namespace quelvio {

class KeyablePanel;

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

    void toggleDropdown();
    void showMainWindowAction();
    void showSettingsAction();

private:
    struct Windows;

    // The windows, built first when asked for after a release.
    Windows& windows();
    KeyablePanel& panel();
    MainWindowController& mainWindow();
    void configureStatusItem();
    void followDesktopAppearance();
    void openAlert(std::optional<qint64> productID);
    void windowShownChanged();
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
    DesktopActivationHost m_activationHost;
    SystemShellClock m_clock;
    SystemResume m_resume;
    SettingsWindowFrameStore m_frames;
    QIcon m_windowIcon;
    bool m_reduceMotion = false;
    std::unique_ptr<Windows> m_windows;
    IdleWindowRelease m_idleRelease{m_clock, [this] { releaseHiddenWindows(); }};
    QSystemTrayIcon m_statusItem;
    QMenu m_statusItemRightClickMenu;
    bool m_firstRowsPainted = false;
    QElapsedTimer m_showing;
};

} // namespace quelvio
