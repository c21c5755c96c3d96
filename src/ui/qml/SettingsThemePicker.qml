import QtQuick
import QtQuick.Layouts
import Quelvio

// One card per theme, each drawn in its own theme's palette; the grid follows the current one.
Item {
    id: picker
    property string selection
    signal chosen(string key)

    readonly property int columns: Math.max(1, Math.floor((width + 8) / (128 + 8)))
    readonly property real cardWidth: (width - (columns - 1) * 8) / columns

    Layout.fillWidth: true
    // Two columns at the least width; a layout never hands width to an item without any.
    implicitWidth: 2 * 128 + 8
    implicitHeight: grid.implicitHeight

    Grid {
        id: grid
        width: parent.width
        columns: picker.columns
        columnSpacing: 8
        rowSpacing: 8

        Repeater {
            model: Account.themes
            Pressable {
                id: card
                required property var modelData
                readonly property bool selected: modelData.key === picker.selection
                objectName: "themeCard_" + modelData.key
                accessibleRole: Accessible.RadioButton
                accessibleName: modelData.name
                checkable: true
                checked: selected
                focusOutset: 0
                onClicked: picker.chosen(card.modelData.key)
                width: picker.cardWidth
                implicitHeight: column.implicitHeight + 20
                radius: Theme.cornerRadius > 0 ? 7 : 0
                color: modelData.bgBase
                border.color: selected ? Theme.accent : Theme.borderSubtle
                border.width: selected ? 1.5 : 1
                clip: true

                ColumnLayout {
                    id: column
                    x: 10
                    y: 10
                    width: parent.width - 20
                    spacing: 6
                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 4
                        Repeater {
                            model: [card.modelData.accent, card.modelData.accentSecondary,
                                    card.modelData.bgHighlight]
                            Rectangle {
                                required property var modelData
                                width: 8
                                height: 8
                                radius: 4
                                color: modelData
                            }
                        }
                        Item { Layout.fillWidth: true }
                        Glyph {
                            symbol: card.selected ? "checkmark.circle.fill" : "circle"
                            size: 11
                            color: card.selected ? Theme.accent : Theme.textDim
                        }
                    }
                    ThemedText {
                        Layout.fillWidth: true
                        text: card.modelData.name
                        size: 12
                        weight: Font.DemiBold
                        color: card.modelData.textPrimary
                    }
                    ThemedText {
                        Layout.fillWidth: true
                        text: card.modelData.caption
                        size: 10
                        color: card.modelData.textMuted
                    }
                }
            }
        }
    }
}
