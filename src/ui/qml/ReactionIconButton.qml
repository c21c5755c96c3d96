import QtQuick
import QtQuick.Controls
import Quelvio

// An icon on a highlighted ground; filled marks draw in their active colour. A mark is a toggle:
// a check box to assistive technology (Qt 6.4 has no toggle-button role), checked when filled.
Pressable {
    id: button
    property string symbol
    property bool filled: false
    property color activeColor: Theme.accent
    property string help

    accessibleName: help
    accessibleRole: Accessible.CheckBox
    checkable: true
    checked: filled
    implicitWidth: 26
    implicitHeight: 26
    radius: Theme.cornerRadius
    color: containsMouse && enabled ? Theme.bgHover : Theme.bgHighlight
    border.color: Theme.border
    border.width: 1
    opacity: enabled ? 1 : 0.45

    Glyph {
        anchors.centerIn: parent
        symbol: button.symbol
        size: 15
        color: button.filled ? button.activeColor : Theme.textMuted
    }
    ToolTip.visible: help.length > 0 && containsMouse
    ToolTip.text: help
    ToolTip.delay: 600
}
