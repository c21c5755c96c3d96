import QtQuick
import Quelvio

// One per window: a ring in the accent around whichever control has the keyboard focus, with a
// hairline gap so it also shows around an accent-filled one. One ring for all keeps the rows and
// chips light. A control opts in with `showsFocusRing` and may ask for the ring inside its edge
// (`focusOutset: 0`) where it clips its children.
Rectangle {
    id: ring
    property Item target: null
    readonly property Item control: target && target.showsFocusRing === true ? target : null
    readonly property real outset: control && control.focusOutset !== undefined ? control.focusOutset : 3
    property Item raised: null

    parent: control
    visible: control !== null
    x: -outset
    y: -outset
    width: control ? control.width + 2 * outset : 0
    height: control ? control.height + 2 * outset : 0
    z: 1
    radius: control && control.radius > 0 ? control.radius + outset : 0
    color: "transparent"
    border.width: 2
    border.color: Theme.accent

    // The focused control goes over its neighbours, so they do not cover the ring.
    onControlChanged: {
        if (raised)
            raised.z = 0
        raised = control
        if (control)
            control.z = 1
    }
}
