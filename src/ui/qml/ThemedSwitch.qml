import QtQuick
import QtQuick.Controls
import Quelvio

// An on/off switch drawn in the theme's colours and corners.
Switch {
    id: control
    indicator: Rectangle {
        implicitWidth: 34
        implicitHeight: 20
        x: control.leftPadding
        y: (control.height - height) / 2
        radius: Theme.cornerRadius > 0 ? height / 2 : 0
        opacity: control.enabled ? 1 : 0.5
        color: control.checked ? Theme.accent : Theme.bgHighlight
        border.color: control.checked ? Theme.accent : Theme.border
        Rectangle {
            width: 16
            height: 16
            y: 2
            x: control.checked ? parent.width - width - 2 : 2
            radius: Theme.cornerRadius > 0 ? height / 2 : 0
            color: control.checked ? Theme.accentForeground : Theme.textMuted
            Behavior on x { NumberAnimation { duration: Theme.switchDuration } }
        }
    }
}
