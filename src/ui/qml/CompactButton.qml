import QtQuick
import Quelvio

Rectangle {
    id: button
    property string title
    property bool accent: false
    property bool danger: false
    property bool enabled: true
    signal clicked()

    implicitWidth: label.implicitWidth + 18
    implicitHeight: 26
    radius: Theme.cornerRadius
    opacity: enabled ? 1 : 0.5
    color: accent ? Theme.accent : (area.containsMouse && enabled ? Theme.bgHover : Theme.bgHighlight)
    border.color: danger ? Theme.danger : (accent ? Theme.accent : Theme.border)
    border.width: 1

    ThemedText {
        id: label
        anchors.centerIn: parent
        text: button.title
        size: 11
        weight: Font.Medium
        color: button.accent ? Theme.accentForeground : (button.danger ? Theme.danger : Theme.textPrimary)
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        enabled: button.enabled
        cursorShape: Qt.PointingHandCursor
        onClicked: button.clicked()
    }
}
