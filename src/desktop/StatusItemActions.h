#pragma once

#include <QList>
#include <QMenu>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <optional>

namespace quelvio {

class MenuBarDropdownController;

// What a click on the tray icon does, and what its context menu holds.
namespace StatusItemActions {

enum class ClickKind { leftMouseUp, rightMouseUp, other };
enum class ClickAction { toggleDropdown, showContextMenu };

// No event at all counts as a left click.
ClickAction clickAction(std::optional<ClickKind> click);
// The tray's activation reason as a click: the context request is the right click.
ClickKind clickKind(QSystemTrayIcon::ActivationReason reason);

enum class MenuAction { showMainWindow, showSettings, quit };

struct MenuEntry {
    QString title;
    QString keyEquivalent;
    std::optional<MenuAction> action; // none: a separator
    bool isSeparator() const { return !action.has_value(); }

    bool operator==(const MenuEntry&) const = default;
};

QList<MenuEntry> contextMenuEntries();
// Fills menu with the entries; choosing one calls handler with its action.
void populateMenu(QMenu& menu, const std::function<void(MenuAction)>& handler);

// Shows the panel when it is hidden or fading out, hides it (animated) otherwise; then, when it
// is up (or as soon as it is, when it opens a turn later), lets the state refresh what it shows.
// Nothing without a panel.
void toggleDropdown(MenuBarDropdownController* dropdown, const std::function<void()>& appearOnPanel);

} // namespace StatusItemActions
} // namespace quelvio
