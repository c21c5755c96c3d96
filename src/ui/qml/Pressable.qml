import QtQuick
import Quelvio

// What every button, chip and row shares: a press by pointer, by keyboard (Tab to reach it, Space
// or Enter while focused: the window's KeyboardShortcuts press it) or by assistive technology, the
// window's focus ring, and an accessible role and name. `enabled` is the item's own: a disabled
// one reads as disabled and takes no pointer.
Rectangle {
    id: pressable
    property string accessibleName
    property int accessibleRole: Accessible.Button
    property bool checkable: false
    property bool checked: false
    property real focusOutset: 3
    readonly property bool showsFocusRing: true
    readonly property alias containsMouse: area.containsMouse
    readonly property alias pressed: area.pressed
    signal clicked()

    function press() {
        if (pressable.enabled)
            pressable.clicked()
    }
    // Qt lists "Press" for buttons, links and choices by itself and calls this; a handler on
    // Accessible as well would list the action twice. Tabs and list items get only the handler.
    function accessiblePressAction() { press() }
    Connections {
        target: [Accessible.PageTab, Accessible.ListItem].includes(pressable.accessibleRole) ? pressable.Accessible
                                                                                              : null
        function onPressAction() { pressable.press() }
    }

    activeFocusOnTab: pressable.enabled
    Accessible.role: pressable.accessibleRole
    Accessible.name: pressable.accessibleName
    Accessible.checkable: pressable.checkable
    Accessible.checked: pressable.checked

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: pressable.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: pressable.press()
    }
}
