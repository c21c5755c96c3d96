import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio
import "Scrolling.js" as Scrolling

ColumnLayout {
    id: tab
    spacing: 0

    ColumnLayout {
        Layout.fillWidth: true
        Layout.margins: 10
        spacing: 6

        SearchField {
            id: search
            objectName: "productSearch"
            Layout.fillWidth: true
            icon: "magnifyingglass"
            placeholder: "搜索商品"
            clearable: true
            text: App.productQuery
            onEdited: (text) => App.applyProductQuery(text)
            onCleared: App.applyProductQuery("")
        }
        ChipRow {
            Layout.fillWidth: true
            ZeltorChip {
                title: "全部"
                selected: App.productCategory === ""
                onClicked: App.applyProductCategory("")
            }
            Repeater {
                model: App.categoryChips
                ZeltorChip {
                    required property var modelData
                    title: modelData.title
                    selected: modelData.key === App.productCategory
                    onClicked: App.applyProductCategory(selected ? "" : modelData.key)
                }
            }
        }
        ChipRow {
            Layout.fillWidth: true
            visible: App.subtypeChips.length > 0
            Repeater {
                model: App.subtypeChips
                ZeltorChip {
                    required property var modelData
                    title: modelData.title
                    selected: modelData.key === App.productSubtype
                    onClicked: App.applyProductSubtype(selected ? "" : modelData.key)
                }
            }
        }
        ChipRow {
            Layout.fillWidth: true
            visible: App.productSource.length > 0
            ZeltorChip {
                title: "店 " + App.productSource
                selected: true
                onClicked: App.applyProductSource("")
            }
        }
        ProductSortBar {
            Layout.fillWidth: true
            selected: App.productSort
            onChosen: (sort) => App.applyProductSort(sort)
        }
    }
    Hairline {}

    // Ctrl+F: the field takes the focus, also when the tab was made for it. Panel and main window
    // share one Keyboard: the request is the active window's.
    function takeSearch() {
        if (search.Window.active && Keyboard.takeSearchRequest())
            search.focusField()
    }
    Connections {
        target: Keyboard
        function onSearchRequested() { tab.takeSearch() }
        function onSelectionChanged() {
            const row = Keyboard.selectedProductRow()
            if (row >= 0)
                list.positionViewAtIndex(row, ListView.Contain)
        }
    }
    Component.onCompleted: tab.takeSearch()

    Item {
        Layout.fillWidth: true
        Layout.fillHeight: true

        EmptyStateView {
            anchors.fill: parent
            visible: App.productsBody === "placeholder"
            icon: App.productsPlaceholder.icon
            text: App.productsPlaceholder.text
            detail: App.productsPlaceholder.detail
        }
        ListView {
            id: list
            objectName: "productList"
            anchors.fill: parent
            visible: App.productsBody === "list"
            clip: true
            model: App.products
            boundsBehavior: Flickable.StopAtBounds
            // The arrows move the Keyboard selection, also from a focused row.
            keyNavigationEnabled: false
            delegate: ColumnLayout {
                required property var model
                required property int index
                width: list.width
                spacing: 0
                onIndexChanged: Qt.callLater(Keyboard.keepRowOrder, list.contentItem)
                Component.onCompleted: Qt.callLater(Keyboard.keepRowOrder, list.contentItem)
                ProductRow {
                    Layout.fillWidth: true
                    productId: model.productId
                    name: model.name
                    badges: model.badges
                    goodwill: model.goodwill
                    secondLine: model.secondLine
                    delisted: model.delisted
                    price: model.price
                    stockText: model.stockText
                    stockColor: model.stockColor
                    favorite: model.favorite
                    down: model.down
                }
                Hairline {}
            }
            footer: Item {
                width: list.width
                height: App.canLoadMoreProducts ? 36 : 0
                visible: App.canLoadMoreProducts
                BusyIndicator {
                    anchors.centerIn: parent
                    width: 20
                    height: 20
                    running: App.isLoadingMoreProducts
                }
            }
            // The load-more row: once it is in view the next page loads. Asked once per turn of the
            // event loop, after the layout has settled.
            function moved() { forceLayout(); App.productListMoved(contentY - originY + height, contentHeight, footerItem ? footerItem.height : 0) }
            onContentYChanged: Qt.callLater(moved)
            onContentHeightChanged: Qt.callLater(moved)
            onHeightChanged: Qt.callLater(moved)
            ScrollBar.vertical: ScrollBar {
                // For the pointer: the keyboard and screen readers move through the rows themselves.
                focusPolicy: Qt.NoFocus
                Accessible.ignored: true
            }
        }
    }
}
