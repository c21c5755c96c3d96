import QtQuick
import QtQuick.Layouts
import Quelvio

// One product: the clickable summary opens its detail; the marks sit beside it.
Rectangle {
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

    implicitHeight: 52
    color: area.containsMouse ? Theme.bgHighlight : "transparent"
    Behavior on color { ColorAnimation { duration: Theme.motionDuration } }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: App.openProduct(row.productId)
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 10
        spacing: 8

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3
            RowLayout {
                Layout.fillWidth: true
                spacing: 4
                ThemedText {
                    Layout.preferredWidth: implicitWidth
                    Layout.minimumWidth: 40
                    Layout.fillWidth: false
                    text: row.name
                    size: 12
                    weight: Font.Medium
                    maximumLineCount: 1
                }
                Repeater {
                    model: row.badges
                    Badge {
                        required property var modelData
                        text: modelData.text
                        role: modelData.color
                    }
                }
                Item { Layout.fillWidth: true }
                RowLayout {
                    visible: row.goodwill.length > 0
                    spacing: 1
                    Glyph { symbol: "flame.fill"; size: 11; color: Theme.warning }
                    ThemedText { text: row.goodwill; size: 10; weight: Font.Medium; color: Theme.textMuted }
                }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 4
                ThemedText {
                    Layout.preferredWidth: implicitWidth
                    Layout.minimumWidth: 40
                    text: row.secondLine
                    size: 10
                    color: Theme.textMuted
                }
                ThemedText {
                    visible: row.delisted
                    text: "下架"
                    size: 10
                    color: Theme.danger
                }
                Item { Layout.fillWidth: true }
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
            ReactionButton {
                symbol: row.favorite ? "star.fill" : "star"
                filled: row.favorite
                activeColor: Theme.warning
                enabled: App.isLoggedIn
                help: App.isLoggedIn ? "收藏" : "登录后可用"
                onClicked: App.toggleFavoriteProduct(row.productId)
            }
            ReactionButton {
                symbol: row.down ? "hand.thumbsdown.fill" : "hand.thumbsdown"
                filled: row.down
                activeColor: Theme.danger
                enabled: App.isLoggedIn
                help: App.isLoggedIn ? "踩" : "登录后可用"
                onClicked: App.toggleDownProduct(row.productId)
            }
        }
    }
}
