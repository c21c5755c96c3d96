import QtQuick
import QtQuick.Controls
import Quelvio

// A chrome-less icon button.
Rectangle {
    id: button
    property string symbol
    property string help
    property color tint: Theme.textSecondary
    property real glyphSize: 15
    property bool enabled: true
    signal clicked()

    implicitWidth: 24
    implicitHeight: 24
    radius: Theme.cornerRadius
    color: area.containsMouse && enabled ? Theme.bgHighlight : "transparent"
    opacity: enabled ? 1 : 0.4

    Glyph {
        anchors.centerIn: parent
        symbol: button.symbol
        size: button.glyphSize
        color: area.pressed ? Theme.accent : button.tint
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        enabled: button.enabled
        cursorShape: Qt.PointingHandCursor
        onClicked: button.clicked()
    }
    ToolTip.visible: help.length > 0 && area.containsMouse
    ToolTip.text: help
    ToolTip.delay: 600
}
