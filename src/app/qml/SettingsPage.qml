import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// Server address and theme, with the way back.
ColumnLayout {
    spacing: 0

    RowLayout {
        Layout.fillWidth: true
        Layout.margins: 8
        IconButton { symbol: "chevron.left"; help: "返回"; onClicked: App.popToRoot() }
        ThemedText { text: "设置"; size: 13; weight: Font.DemiBold }
        Item { Layout.fillWidth: true }
    }
    Hairline {}
    ColumnLayout {
        Layout.fillWidth: true
        Layout.margins: 14
        spacing: 8
        ThemedText { text: "服务器地址"; size: 11; weight: Font.DemiBold; color: Theme.textMuted }
        RowLayout {
            Layout.fillWidth: true
            SearchField { id: address; Layout.fillWidth: true; text: App.baseURL; placeholder: "https://…" }
            CompactButton { title: "保存"; accent: true; onClicked: App.saveBaseURL(address.text) }
        }
        ThemedText { text: "主题"; size: 11; weight: Font.DemiBold; color: Theme.textMuted; Layout.topMargin: 8 }
        Flow {
            Layout.fillWidth: true
            spacing: 6
            Repeater {
                model: App.themes
                Chip {
                    required property var modelData
                    title: modelData.name
                    selected: modelData.key === App.themeKey
                    onClicked: App.applyTheme(modelData.key)
                }
            }
        }
    }
    Item { Layout.fillHeight: true }
}
