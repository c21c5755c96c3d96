import QtQuick
import Quelvio

Text {
    property real size: 12
    property int weight: Font.Normal
    // Read through the revision: QML never re-evaluates a bare function call when the theme changes.
    font: { Theme.revision; return Theme.themedFont(size, weight) }
    color: Theme.textPrimary
    elide: Text.ElideRight
}
