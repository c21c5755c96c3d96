import QtQuick
import Quelvio

// What every button, chip and row shares: a press by pointer, by keyboard (Space or Enter while
// focused, Tab to reach it) or by assistive technology, a visible focus ring, and an accessible
// role and name.
Rectangle {
    id: pressable
    property bool enabled: true
    property string accessibleName
    property int accessibleRole: Accessible.Button
    property bool checkable: false
    property bool checked: false
    property real focusOutset: 3
    readonly property alias containsMouse: area.containsMouse
    readonly property alias pressed: area.pressed
    signal clicked()

    function press() {
        if (pressable.enabled)
            pressable.clicked()
    }

    activeFocusOnTab: pressable.enabled
    // Over its neighbours while focused, so they do not cover the ring.
    z: activeFocus ? 1 : 0
    Keys.onSpacePressed: press()
    Keys.onReturnPressed: press()
    Keys.onEnterPressed: press()
    Accessible.role: pressable.accessibleRole
    Accessible.name: pressable.accessibleName
    Accessible.checkable: pressable.checkable
    Accessible.checked: pressable.checked
    Accessible.focusable: true
    Accessible.focused: pressable.activeFocus
    Accessible.onPressAction: press()

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: pressable.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: pressable.press()
    }
    FocusRing { outset: pressable.focusOutset }
}
