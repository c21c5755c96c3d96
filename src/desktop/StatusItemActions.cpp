#include "StatusItemActions.h"

#include "MenuBarDropdownController.h"

namespace quelvio::StatusItemActions {

ClickAction clickAction(std::optional<ClickKind> click) {
    return click == ClickKind::rightMouseUp ? ClickAction::showContextMenu : ClickAction::toggleDropdown;
}

ClickKind clickKind(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return ClickKind::leftMouseUp;
    case QSystemTrayIcon::Context:
        return ClickKind::rightMouseUp;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return ClickKind::other;
}

QList<MenuEntry> contextMenuEntries() {
    return {
        {QStringLiteral("打开主窗口"), QStringLiteral("o"), MenuAction::showMainWindow},
        {QStringLiteral("设置"), QStringLiteral(","), MenuAction::showSettings},
        {QString(), QString(), std::nullopt},
        {QStringLiteral("退出"), QStringLiteral("q"), MenuAction::quit},
    };
}

void populateMenu(QMenu& menu, const std::function<void(MenuAction)>& handler) {
    for (const MenuEntry& entry : contextMenuEntries()) {
        if (entry.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(entry.title);
        action->setShortcut(QKeySequence(Qt::CTRL | QKeySequence(entry.keyEquivalent)[0].key()));
        const MenuAction chosen = *entry.action;
        QObject::connect(action, &QAction::triggered, &menu, [handler, chosen] {
            if (handler)
                handler(chosen);
        });
    }
}

void toggleDropdown(MenuBarDropdownController* dropdown, const std::function<void()>& appearOnPanel) {
    if (!dropdown)
        return;
    const bool alreadyWaiting = dropdown->isPresentPending();
    if (!dropdown->isVisible() || dropdown->isAnimatingHide())
        dropdown->show();
    else
        dropdown->hide(true);
    if (!appearOnPanel)
        return;
    if (dropdown->isVisible() && !dropdown->isAnimatingHide()) {
        appearOnPanel();
    } else if (dropdown->isPresentPending() && !alreadyWaiting) {
        // Many Linux desktops reserve no room for their bars, so every screen looks full-screen
        // and the panel opens a turn later; the refresh waits for it instead of being skipped,
        // once however often the icon is clicked meanwhile.
        QObject::connect(dropdown, &MenuBarDropdownController::presented, dropdown, appearOnPanel,
                         Qt::SingleShotConnection);
    }
}

} // namespace quelvio::StatusItemActions
