import QtQuick
import QtQuick.Layouts
import Quelvio

ColumnLayout {
    spacing: 8

    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: 10
        Layout.leftMargin: 12
        Layout.rightMargin: 8
        ConnectionDot {
            status: App.connection
            label: App.connectionLabel
        }
        Item { Layout.fillWidth: true }
        IconButton {
            symbol: "arrow.up.left.and.arrow.down.right"
            help: "打开主窗口"
            onClicked: App.expandRequested()
        }
        IconButton {
            symbol: "gearshape"
            help: "设置"
            onClicked: App.showSettings()
        }
    }
    RowLayout {
        Layout.fillWidth: true
        Layout.leftMargin: 10
        Layout.rightMargin: 10
        Layout.bottomMargin: 8
        spacing: 6
        Repeater {
            model: App.tabs
            ZeltorChip {
                required property var modelData
                objectName: "tab-" + modelData.key
                accessibleRole: Accessible.PageTab
                title: modelData.title
                selected: modelData.key === App.selectedTab
                onClicked: App.selectTab(modelData.key)
            }
        }
        Item { Layout.fillWidth: true }
    }
}
