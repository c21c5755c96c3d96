import QtQuick
import Quelvio

// A small capsule label; colour is a palette role name such as "danger".
Rectangle {
    property string text
    property string role: "accent"
    readonly property color tone: Theme[role]

    implicitWidth: label.implicitWidth + 8
    implicitHeight: 15
    radius: Theme.cornerRadius > 0 ? height / 2 : 0
    color: Qt.rgba(tone.r, tone.g, tone.b, 0.16)
    border.color: Qt.rgba(tone.r, tone.g, tone.b, 0.45)
    border.width: 1

    ThemedText {
        id: label
        anchors.centerIn: parent
        text: parent.text
        size: 9
        weight: Font.DemiBold
        color: parent.tone
    }
}
