import QtQuick
import Quelvio

// What every button, chip and row shares: a press by pointer, by keyboard (Tab to reach it, Space
// or Enter while focused: the window's KeyboardShortcuts press it) or by assistive technology, the
// window's focus ring, and an accessible role and name.
Rectangle {
    id: pressable
    property bool enabled: true
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

    activeFocusOnTab: pressable.enabled
    Accessible.role: pressable.accessibleRole
    Accessible.name: pressable.accessibleName
    Accessible.checkable: pressable.checkable
    Accessible.checked: pressable.checked
    Accessible.onPressAction: press()

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: pressable.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: pressable.press()
    }
}
