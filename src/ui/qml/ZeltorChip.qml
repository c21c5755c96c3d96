import QtQuick
import Quelvio
import "Scrolling.js" as Scrolling

// A chip-shaped choice among its row; its selected look is filled with the accent.
Pressable {
    id: chip
    property string title
    property bool selected: false

    accessibleName: title
    accessibleRole: Accessible.RadioButton
    // A choice reads as checked, a tab as selected.
    checkable: accessibleRole !== Accessible.PageTab
    checked: checkable && selected
    Accessible.selected: !checkable && selected
    implicitWidth: label.implicitWidth + 16
    implicitHeight: 24
    radius: Theme.cornerRadius > 0 ? height / 2 : 0
    color: selected ? Theme.accent : (containsMouse ? Theme.bgHover : Theme.bgElevated)
    border.color: selected ? Theme.accent : Theme.borderSubtle
    border.width: 1
    Behavior on color { ColorAnimation { duration: Theme.motionDuration } }
    // Tabbed to in a row scrolled past it, the chip comes into view with its ring.
    onActiveFocusChanged: if (activeFocus) Scrolling.reveal(chip)

    ThemedText {
        id: label
        anchors.centerIn: parent
        text: chip.title
        size: 11
        weight: chip.selected ? Font.DemiBold : Font.Medium
        color: chip.selected ? Theme.accentForeground : Theme.textSecondary
    }
}
