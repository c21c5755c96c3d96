import QtQuick
import Quelvio

Pressable {
    id: button
    property string title
    property bool accent: false
    property bool danger: false

    accessibleName: title
    implicitWidth: label.implicitWidth + 18
    implicitHeight: 26
    radius: Theme.cornerRadius
    opacity: enabled ? 1 : 0.5
    color: accent ? Theme.accent : (containsMouse && enabled ? Theme.bgHover : Theme.bgHighlight)
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
}
