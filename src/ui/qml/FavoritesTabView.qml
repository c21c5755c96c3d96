import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

Item {
    id: tab

    ColumnLayout {
        anchors.centerIn: parent
        visible: App.favoritesBody === "signIn"
        spacing: 10
        Glyph { Layout.alignment: Qt.AlignHCenter; symbol: "person.crop.circle"; size: 32; color: Theme.textMuted }
        ThemedText { Layout.alignment: Qt.AlignHCenter; text: "登录后可收藏店铺与商品"; Accessible.name: text; size: 13 }
        CompactButton {
            Layout.alignment: Qt.AlignHCenter
            title: "登录"
            accent: true
            onClicked: App.selectTab("me")
        }
    }
    EmptyStateView {
        anchors.fill: parent
        visible: App.favoritesBody === "placeholder"
        icon: App.favoritesPlaceholder.icon
        text: App.favoritesPlaceholder.text
        detail: App.favoritesPlaceholder.detail
    }
    Flickable {
        anchors.fill: parent
        visible: App.favoritesBody === "list"
        contentHeight: column.implicitHeight
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {
            // For the pointer: the keyboard and screen readers move through the rows themselves.
            focusPolicy: Qt.NoFocus
            Accessible.ignored: true
        }

        ColumnLayout {
            id: column
            width: parent.width
            spacing: 0

            ThemedText { Layout.margins: 10; Layout.bottomMargin: 4; text: "商品"; size: 11; weight: Font.DemiBold; color: Theme.textMuted }
            ProductSortBar {
                Layout.fillWidth: true
                Layout.leftMargin: 10
                Layout.rightMargin: 10
                Layout.bottomMargin: 6
                selected: App.favoriteSort
                onChosen: (sort) => App.applyFavoriteSort(sort)
            }
            Repeater {
                model: App.favoriteProducts
                delegate: ColumnLayout {
                    required property var model
                    Layout.fillWidth: true
                    spacing: 0
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
            }
            ThemedText { Layout.margins: 10; Layout.bottomMargin: 4; text: "店铺"; size: 11; weight: Font.DemiBold; color: Theme.textMuted }
            Repeater {
                model: App.favoriteShops
                delegate: ShopRow {
                    required property var model
                    Layout.fillWidth: true
                    Layout.leftMargin: 6
                    Layout.rightMargin: 6
                    slug: model.slug
                    name: model.name
                    badges: model.badges
                    submitter: model.submitter
                    runLabel: model.runLabel
                    runColor: model.runColor
                    favorite: true
                    refreshing: false
                    known: model.known
                    canRefresh: false
                    onFavoriteClicked: App.removeFavoriteShop(model.reactionId)
                }
            }
        }
    }
}
