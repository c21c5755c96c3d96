import QtQuick
import QtQuick.Layouts
import Quelvio

RowLayout {
    id: dot
    // "online", "offline" or "unknown"
    property string status: "unknown"
    property string label
    spacing: 6

    Rectangle {
        implicitWidth: 8
        implicitHeight: 8
        radius: 4
        color: dot.status === "online" ? Theme.success : (dot.status === "offline" ? Theme.danger : Theme.warning)
    }
    ThemedText {
        text: dot.label
        Accessible.name: text
        size: 11
        weight: Font.Medium
        color: Theme.textSecondary
    }
}
