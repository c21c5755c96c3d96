import QtQuick
import QtQuick.Layouts
import Quelvio

// The one-line message over a view's bottom edge; it clears itself after a while or when dismissed.
Rectangle {
    objectName: "banner"
    visible: App.banner.length > 0
    // An alert: screen readers announce it as it appears.
    Accessible.role: Accessible.AlertMessage
    Accessible.name: App.banner
    height: 36
    radius: Theme.cornerRadius
    color: Theme.bgElevated
    border.color: Theme.accent
    border.width: 1
    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 6
        ThemedText {
            Layout.fillWidth: true
            text: App.banner
            size: 12
        }
        CompactButton {
            title: "好"
            onClicked: App.dismissBanner()
        }
    }
}
