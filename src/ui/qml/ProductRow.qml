import QtQuick
import QtQuick.Layouts
import Quelvio
import "Scrolling.js" as Scrolling

// One product: the clickable summary opens its detail; the marks sit beside it. It reads as its
// name, price and change; the keyboard reaches rows by the arrows, not by Tab.
Pressable {
    id: row
    required property var productId
    required property string name
    required property var badges
    required property string goodwill
    required property string secondLine
    required property bool delisted
    required property string price
    required property string stockText
    required property string stockColor
    required property bool favorite
    required property bool down
    readonly property bool selected: Keyboard.selection === "product:" + productId

    accessibleRole: Accessible.ListItem
    accessibleName: [row.name, row.price].concat(row.badges.map(badge => badge.text)).join("，")
    Accessible.selected: selected
    // The list is one Tab stop, its selected row; the arrows move within it.
    activeFocusOnTab: selected
    onClicked: App.openProduct(row.productId)

    implicitHeight: 52
    color: containsMouse || selected ? Theme.bgHighlight : "transparent"
    // Selected, the row is outlined as well as marked, plain to see in every theme.
    border.color: selected ? Theme.accent : "transparent"
    border.width: 1
    Behavior on color { ColorAnimation { duration: Theme.motionDuration } }
    onSelectedChanged: if (selected) Scrolling.reveal(row)

    SelectionFocus { row: row }

    // The keyboard's selection: a bar in the accent, visible in every theme.
    Rectangle {
        objectName: "selectionBar"
        visible: row.selected
        width: 3
        height: parent.height
        color: Theme.accent
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 10
        spacing: 8

        // Takes what the price and the marks leave; never asks for more.
        Column {
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            spacing: 3
            Item {
                id: firstLine
                width: parent.width
                height: nameText.implicitHeight
                ThemedText {
                    id: nameText
                    width: Math.min(implicitWidth, firstLine.width - badgeRow.width - goodwillRow.width - 12)
                    text: row.name
                    size: 12
                    weight: Font.Medium
                    maximumLineCount: 1
                }
                Row {
                    id: badgeRow
                    x: nameText.width + 4
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 3
                    Repeater {
                        model: row.badges
                        Badge {
                            required property var modelData
                            text: modelData.text
                            role: modelData.color
                        }
                    }
                }
                Row {
                    id: goodwillRow
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    visible: row.goodwill.length > 0
                    width: visible ? implicitWidth : 0
                    spacing: 1
                    Glyph { symbol: "flame.fill"; size: 11; color: Theme.warning }
                    ThemedText { text: row.goodwill; size: 10; weight: Font.Medium; color: Theme.textMuted }
                }
            }
            Item {
                id: secondLine
                width: parent.width
                height: secondText.implicitHeight
                ThemedText {
                    id: secondText
                    width: Math.min(implicitWidth, secondLine.width - (delistedText.visible ? delistedText.implicitWidth + 4 : 0))
                    text: row.secondLine
                    size: 10
                    color: Theme.textMuted
                }
                ThemedText {
                    id: delistedText
                    x: secondText.width + 4
                    visible: row.delisted
                    text: "下架"
                    size: 10
                    color: Theme.danger
                }
            }
        }
        ColumnLayout {
            spacing: 2
            ThemedText {
                Layout.alignment: Qt.AlignRight
                text: row.price
                size: 12
                weight: Font.Medium
            }
            ThemedText {
                Layout.alignment: Qt.AlignRight
                text: row.stockText
                size: 10
                weight: Font.Medium
                color: Theme[row.stockColor]
            }
        }
        RowLayout {
            spacing: 4
            ReactionIconButton {
                symbol: row.favorite ? "star.fill" : "star"
                filled: row.favorite
                activeColor: Theme.warning
                // Ctrl+D stars the selected row; Tab does not stop at every mark.
                activeFocusOnTab: false
                enabled: App.isLoggedIn
                // Fifteen rows on a screen: each mark says whose it is.
                accessibleName: "收藏 " + row.name
                help: App.isLoggedIn ? "收藏" : "登录后可用"
                onClicked: App.toggleFavoriteProduct(row.productId)
            }
            ReactionIconButton {
                symbol: row.down ? "hand.thumbsdown.fill" : "hand.thumbsdown"
                filled: row.down
                activeColor: Theme.danger
                activeFocusOnTab: false
                enabled: App.isLoggedIn
                accessibleName: "踩 " + row.name
                help: App.isLoggedIn ? "踩" : "登录后可用"
                onClicked: App.toggleDownProduct(row.productId)
            }
        }
    }
}
