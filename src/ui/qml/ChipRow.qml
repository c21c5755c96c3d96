import QtQuick
import Quelvio

// A horizontally scrolling row of chips.
Flickable {
    default property alias chips: row.data
    implicitHeight: 24
    contentWidth: row.implicitWidth
    clip: true
    flickableDirection: Flickable.HorizontalFlick
    Row {
        id: row
        spacing: 4
    }
}
