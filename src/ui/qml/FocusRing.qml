import QtQuick
import Quelvio

// Where the keyboard focus is: a ring in the accent around its parent, drawn over it.
Rectangle {
    // Drawn outside the parent with a hairline gap, so it also shows around an accent-filled
    // control; inside (0) where the parent clips its children.
    property real outset: 3
    anchors.fill: parent
    anchors.margins: -outset
    z: 1
    radius: parent.radius > 0 ? parent.radius + outset : 0
    color: "transparent"
    border.width: 2
    border.color: Theme.accent
    visible: parent.activeFocus
}
