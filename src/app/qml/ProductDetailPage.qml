import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// The product's page inside the panel, with the way back.
ColumnLayout {
    spacing: 0
    readonly property var detail: App.detail

    RowLayout {
        Layout.fillWidth: true
        Layout.margins: 8
        IconButton { symbol: "chevron.left"; help: "返回"; onClicked: App.popToRoot() }
        ThemedText { Layout.fillWidth: true; text: detail.name || ""; size: 13; weight: Font.DemiBold }
        BusyIndicator { implicitWidth: 18; implicitHeight: 18; running: App.isDetailLoading; visible: running }
    }
    Hairline {}
    ColumnLayout {
        Layout.fillWidth: true
        Layout.margins: 14
        spacing: 8
        visible: detail.productId !== undefined
        RowLayout {
            spacing: 4
            Repeater {
                model: detail.badges || []
                Badge { required property var modelData; text: modelData.text; role: modelData.color }
            }
        }
        ThemedText { text: detail.price || ""; size: 20; weight: Font.DemiBold }
        ThemedText { text: detail.stockText || ""; size: 11; color: detail.stockColor ? Theme[detail.stockColor] : Theme.textMuted }
        ThemedText {
            Layout.fillWidth: true
            text: detail.secondLine || ""
            size: 11
            wrapMode: Text.WordWrap
            color: Theme.textMuted
        }
        RowLayout {
            spacing: 6
            ReactionButton {
                symbol: detail.favorite ? "star.fill" : "star"
                filled: detail.favorite === true
                activeColor: Theme.warning
                enabled: App.isLoggedIn
                help: App.isLoggedIn ? "收藏" : "登录后可用"
                onClicked: App.toggleFavoriteProduct(detail.productId)
            }
            ReactionButton {
                symbol: detail.down ? "hand.thumbsdown.fill" : "hand.thumbsdown"
                filled: detail.down === true
                activeColor: Theme.danger
                enabled: App.isLoggedIn
                help: App.isLoggedIn ? "踩" : "登录后可用"
                onClicked: App.toggleDownProduct(detail.productId)
            }
            CompactButton {
                visible: (detail.url || "").length > 0
                title: "打开商品页"
                onClicked: App.openProductPage()
            }
        }
    }
    PriceHistoryChart {
        objectName: "priceChart"
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.margins: 14
        Layout.minimumHeight: 160
        snapshots: App.history
        currency: detail.currency || ""
        unit: detail.unit || ""
    }
}
