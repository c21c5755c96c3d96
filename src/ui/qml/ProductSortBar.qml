import QtQuick
import Quelvio

// One chip per sort choice, in the bar's order.
Flickable {
    id: bar
    property string selected
    signal chosen(string sort)

    implicitHeight: 24
    contentWidth: row.implicitWidth
    clip: true
    flickableDirection: Flickable.HorizontalFlick
    Row {
        id: row
        spacing: 4
        Repeater {
            model: App.sortOptions
            ZeltorChip {
                required property var modelData
                title: modelData.title
                selected: modelData.key === bar.selected
                onClicked: bar.chosen(modelData.key)
            }
        }
    }
}
