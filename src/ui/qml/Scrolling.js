.pragma library

// Scrolls the nearest flickable around the item just enough to show it whole.
function reveal(item) {
    let flickable = item.parent
    while (flickable && flickable.contentY === undefined)
        flickable = flickable.parent
    if (!flickable)
        return
    const top = item.mapToItem(flickable.contentItem, 0, 0).y
    if (top < flickable.contentY)
        flickable.contentY = top
    else if (top + item.height > flickable.contentY + flickable.height)
        flickable.contentY = top + item.height - flickable.height
}
