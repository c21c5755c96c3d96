import QtQuick
import QtQuick.Controls
import Quelvio

// A chrome-less icon button; its help text is its accessible name.
Pressable {
    id: button
    property string symbol
    property string help
    property color tint: Theme.textSecondary
    property real glyphSize: 15

    accessibleName: help
    implicitWidth: 24
    implicitHeight: 24
    radius: Theme.cornerRadius
    color: containsMouse && enabled ? Theme.bgHighlight : "transparent"
    opacity: enabled ? 1 : 0.4

    Glyph {
        anchors.centerIn: parent
        symbol: button.symbol
        size: button.glyphSize
        color: button.pressed ? Theme.accent : button.tint
    }
    ToolTip.visible: help.length > 0 && containsMouse
    ToolTip.text: help
    ToolTip.delay: 600
}
