import QtQuick
import Quelvio
import "Scrolling.js" as Scrolling

// Moved to by the arrows or back at the list, the selected row takes the focus, also a row made
// after it was asked (a list rebuilt on the way back).
Connections {
    required property Item row

    function take() {
        if (row.selected && row.Window.active && Keyboard.takeSelectionFocus()) {
            row.forceActiveFocus()
            Scrolling.reveal(row)
        }
    }

    target: Keyboard
    function onSelectionFocusRequested() { take() }
    Component.onCompleted: take()
}
