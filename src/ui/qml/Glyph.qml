import QtQuick
import Quelvio

// One icon of the design's symbol set, drawn as a glyph of the icon font.
Text {
    property string symbol
    property real size: 16
    text: Symbols.glyph(symbol)
    font.family: Symbols.fontFamily
    font.pixelSize: size
    color: Theme.textSecondary
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
}
