import QtQuick
import Quelvio

// Holds one of its pages and plays the theme's switch motion when another comes in: the new page
// fades in from the side of its place in the order (a later one from the right). With reduced
// motion, or on the first page shown, it simply appears.
Loader {
    id: pager
    // Components in their visual order; an entry may be null for "nothing shown".
    property var pages: []
    property int index: 0
    // The index of the page on screen; unknown (-1) until the first one is placed.
    property int shownIndex: -1
    readonly property bool switching: entrance.running

    sourceComponent: pages[index] ?? null

    onItemChanged: {
        const from = shownIndex
        shownIndex = index
        entrance.stop()
        if (!item || from < 0 || from === index || Theme.switchDuration <= 0)
            return
        // Set here, not bound: a binding on `item` may update after this handler.
        fade.target = item
        slide.target = item
        slide.from = index > from ? 16 : -16
        item.opacity = 0
        item.x = slide.from
        entrance.start()
    }
    Component.onCompleted: if (shownIndex < 0) shownIndex = index

    ParallelAnimation {
        id: entrance
        NumberAnimation {
            id: fade
            property: "opacity"
            from: 0
            to: 1
            duration: Theme.switchDuration
            easing.type: Theme.motionEasing
        }
        NumberAnimation {
            id: slide
            property: "x"
            to: 0
            duration: Theme.switchDuration
            easing.type: Theme.motionEasing
        }
    }
}
