.pragma library

// Scrolls the nearest flickable around the item just enough to show it whole, down or across.
function reveal(item) {
    let flickable = item.parent
    while (flickable && flickable.contentY === undefined)
        flickable = flickable.parent
    if (!flickable)
        return
    const at = item.mapToItem(flickable.contentItem, 0, 0)
    if (flickable.contentHeight > flickable.height) {
        if (at.y < flickable.contentY)
            flickable.contentY = at.y
        else if (at.y + item.height > flickable.contentY + flickable.height)
            flickable.contentY = at.y + item.height - flickable.height
    }
    if (flickable.contentWidth > flickable.width) {
        // A little beyond the item, for the focus ring around it.
        const margin = 4
        if (at.x - margin < flickable.contentX)
            flickable.contentX = Math.max(0, at.x - margin)
        else if (at.x + item.width + margin > flickable.contentX + flickable.width)
            flickable.contentX = Math.min(flickable.contentWidth - flickable.width, at.x + item.width + margin - flickable.width)
    }
}
