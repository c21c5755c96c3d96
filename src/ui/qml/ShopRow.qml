import QtQuick
import QtQuick.Layouts
import QtQuick.Controls
import Quelvio
import "Scrolling.js" as Scrolling

// One shop; pressing it (or Enter on its selection) shows its products.
Pressable {
    id: row
    required property string slug
    required property string name
    required property var badges
    required property string submitter
    required property string runLabel
    required property string runColor
    required property bool favorite
    required property bool refreshing
    required property bool known
    property bool favoriteEnabled: App.isLoggedIn
    property bool canRefresh: App.hasAPIKey
    property bool canOpen: known
    signal favoriteClicked()
    readonly property bool selected: Keyboard.selection === "shop:" + slug

    accessibleRole: Accessible.ListItem
    accessibleName: [row.name].concat(row.badges.map(badge => badge.text), [row.runLabel])
                        .filter(text => text.length > 0).join("，")
    Accessible.selected: selected
    Accessible.description: refreshing ? "更新中" : ""
    // The list is one Tab stop, its selected row; the arrows move within it.
    activeFocusOnTab: selected
    // Not `enabled`: a row that cannot open still holds a working star.
    onClicked: if (row.canOpen) App.browseShop(row.slug)

    implicitHeight: 48
    radius: Theme.cornerRadius
    color: containsMouse || selected ? Theme.bgHighlight : "transparent"
    border.color: containsMouse || selected ? Theme.accent : "transparent"
    onSelectedChanged: if (selected) Scrolling.reveal(row)

    SelectionFocus { row: row }
    border.width: 1
    Behavior on color { ColorAnimation { duration: Theme.motionDuration } }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 8
        spacing: 6
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            RowLayout {
                Layout.fillWidth: true
                spacing: 4
                ThemedText { text: row.name; size: 12; weight: Font.Medium; Layout.maximumWidth: 220 }
                Repeater {
                    model: row.badges
                    Badge {
                        required property var modelData
                        text: modelData.text
                        role: modelData.color
                    }
                }
                Item { Layout.fillWidth: true }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                ThemedText { visible: row.submitter.length > 0; text: row.submitter; size: 10; color: Theme.textDim }
                ThemedText { visible: row.runLabel.length > 0; text: row.runLabel; size: 10; color: Theme[row.runColor] }
                Item { Layout.fillWidth: true }
            }
        }
        IconButton {
            symbol: row.favorite ? "star.fill" : "star"
            tint: row.favorite ? Theme.warning : Theme.textMuted
            help: "收藏"
            accessibleName: "收藏 " + row.name
            accessibleRole: Accessible.CheckBox
            checkable: true
            checked: row.favorite
            activeFocusOnTab: false
            enabled: row.favoriteEnabled
            onClicked: row.favoriteClicked()
        }
        Item {
            visible: row.canRefresh && row.known
            implicitWidth: 24
            implicitHeight: 24
            BusyIndicator {
                anchors.fill: parent
                running: row.refreshing
                visible: row.refreshing
            }
            IconButton {
                anchors.fill: parent
                visible: !row.refreshing
                symbol: "arrow.clockwise"
                tint: Theme.textMuted
                help: "更新"
                accessibleName: "更新 " + row.name
                onClicked: App.scrape(row.slug)
            }
        }
        IconButton {
            visible: row.canOpen
            symbol: "arrow.up.right"
            tint: Theme.textDim
            help: "打开主页"
            accessibleName: "打开主页 " + row.name
            onClicked: App.browseShop(row.slug)
        }
    }
}
