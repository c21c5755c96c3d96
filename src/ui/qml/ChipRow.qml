import QtQuick
import Quelvio

// A horizontally scrolling row of chips, with room around them for a focused chip's ring.
Flickable {
    default property alias chips: row.data
    implicitHeight: 30
    contentWidth: row.implicitWidth + 6
    clip: true
    flickableDirection: Flickable.HorizontalFlick
    Row {
        id: row
        x: 3
        y: 3
        spacing: 4
    }
}
