import QtQuick
import QtQuick.Controls
import Quelvio

// An icon on a highlighted ground; filled marks draw in their active colour.
Rectangle {
    id: button
    property string symbol
    property bool filled: false
    property color activeColor: Theme.accent
    property string help
    property bool enabled: true
    signal clicked()

    implicitWidth: 26
    implicitHeight: 26
    radius: Theme.cornerRadius
    color: area.containsMouse && enabled ? Theme.bgHover : Theme.bgHighlight
    border.color: Theme.border
    border.width: 1
    opacity: enabled ? 1 : 0.45

    Glyph {
        anchors.centerIn: parent
        symbol: button.symbol
        size: 15
        color: button.filled ? button.activeColor : Theme.textMuted
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: button.enabled ? Qt.PointingHandCursor : Qt.ArrowCursor
        onClicked: if (button.enabled) button.clicked()
    }
    ToolTip.visible: help.length > 0 && area.containsMouse
    ToolTip.text: help
    ToolTip.delay: 600
}
