import QtQuick
import Quelvio

Text {
    property real size: 12
    property int weight: Font.Normal
    font: Theme.themedFont(size, weight)
    color: Theme.textPrimary
    elide: Text.ElideRight
}
