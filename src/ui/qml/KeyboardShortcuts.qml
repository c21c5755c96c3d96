import QtQuick
import Quelvio

// The keys a window answers to, and its focus ring. Shortcuts work wherever the focus is; the
// list keys (arrows, Enter) and the press of a focused button come through listKey from the root,
// after any focused field has had them.
Item {
    id: keys
    // The ring's own attached Window would go away with its parent; this item's stays.
    FocusRing { target: keys.Window.activeFocusItem }

    function listKey(event) {
        const focused = keys.Window.activeFocusItem
        const pressing = event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter
        if (pressing && focused && focused.showsFocusRing === true) {
            focused.press()
            event.accepted = true
            return
        }
        if (App.routeKind !== "root")
            return
        if (event.key === Qt.Key_Up || event.key === Qt.Key_Down) {
            Keyboard.move(event.key === Qt.Key_Down ? 1 : -1)
            event.accepted = true
        } else if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter) && Keyboard.selection !== "") {
            Keyboard.open()
            event.accepted = true
        }
    }

    // At the root Escape is left to the window (the panel closes on it).
    Shortcut { sequences: ["Escape", "Backspace"]; enabled: App.routeKind !== "root"; onActivated: Keyboard.back() }
    Shortcut { sequence: "Ctrl+F"; onActivated: Keyboard.focusSearch() }
    Shortcut { sequence: "Ctrl+1"; onActivated: Keyboard.showTab(0) }
    Shortcut { sequence: "Ctrl+2"; onActivated: Keyboard.showTab(1) }
    Shortcut { sequence: "Ctrl+3"; onActivated: Keyboard.showTab(2) }
    Shortcut { sequence: "Ctrl+4"; onActivated: Keyboard.showTab(3) }
    Shortcut { sequences: ["F5", "Ctrl+R"]; onActivated: Keyboard.refresh() }
    Shortcut { sequence: "Ctrl+,"; onActivated: Keyboard.showSettings() }
    Shortcut { sequence: "Ctrl+D"; onActivated: Keyboard.toggleFavorite() }
}
