import QtQuick
import QtQuick.Layouts
import Quelvio

// A titled group of settings on a card.
ColumnLayout {
    id: section
    property string title
    default property alias content: body.data

    Layout.fillWidth: true
    spacing: 6

    ThemedText { text: section.title; size: 11; weight: Font.DemiBold; color: Theme.textMuted }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: body.implicitHeight + 20
        radius: Theme.cornerRadius
        color: Theme.bgElevated
        border.color: Theme.borderSubtle
        border.width: 1
        ColumnLayout {
            id: body
            x: 10
            y: 10
            width: parent.width - 20
            spacing: 8
        }
    }
}
