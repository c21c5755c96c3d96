import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// The open product: title, price, history chart, reactions and facts. In the panel it has the
// way back; in the main window's inspector a close button.
ColumnLayout {
    id: view
    property bool showsBackButton: true
    spacing: 0

    RowLayout {
        Layout.fillWidth: true
        Layout.margins: 8
        IconButton {
            objectName: view.showsBackButton ? "detailBack" : "detailClose"
            symbol: view.showsBackButton ? "chevron.left" : "xmark"
            help: view.showsBackButton ? "返回" : "关闭"
            implicitWidth: 24
            implicitHeight: 24
            onClicked: App.popToRoot()
        }
        ThemedText { Layout.fillWidth: true; text: "详情"; size: 13; weight: Font.DemiBold }
        BusyIndicator {
            implicitWidth: 16
            implicitHeight: 16
            running: App.isDetailLoading && Detail.phase === "ready"
            visible: running
        }
        ConnectionDot { status: App.connection; label: App.connectionLabel }
    }
    Hairline {}

    Loader {
        Layout.fillWidth: true
        Layout.fillHeight: true
        sourceComponent: Detail.phase === "loading" ? loading
                       : Detail.phase === "failed" ? failed : body
    }

    Component {
        id: loading
        Item {
            BusyIndicator { anchors.centerIn: parent; running: true }
        }
    }
    Component {
        id: failed
        EmptyStateView { icon: Detail.failedSymbol; text: Detail.failedText }
    }
    Component {
        id: body
        ScrollView {
            id: scroller
            objectName: "detailScroll"
            contentWidth: availableWidth
            clip: true
            // For the pointer, as in the lists: a screen reader reads the document through.
            ScrollBar.vertical.focusPolicy: Qt.NoFocus
            ScrollBar.vertical.Accessible.ignored: true
            ScrollBar.horizontal.focusPolicy: Qt.NoFocus
            ScrollBar.horizontal.Accessible.ignored: true

            ColumnLayout {
                width: scroller.availableWidth
                spacing: 14

                // Title block
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.topMargin: 14
                    Layout.leftMargin: 14
                    Layout.rightMargin: 14
                    spacing: 4
                    RowLayout {
                        Layout.fillWidth: true
                        // The open product reads as a document: its heading first, then its facts.
                        // Each product that opens gives its heading the focus, where a screen
                        // reader starts reading.
                        ThemedText {
                            id: heading
                            property var focusedFor: null
                            function takeFocus() {
                                if (Detail.phase === "ready" && focusedFor !== Detail.productId && heading.Window.active) {
                                    focusedFor = Detail.productId
                                    heading.forceActiveFocus()
                                }
                            }
                            Connections {
                                target: Detail
                                function onChanged() { heading.takeFocus() }
                            }
                            Component.onCompleted: takeFocus()
                            objectName: "detailHeading"
                            Layout.fillWidth: true
                            Accessible.role: Accessible.Heading
                            Accessible.name: text
                            text: Detail.name
                            size: 15
                            weight: Font.DemiBold
                            wrapMode: Text.WordWrap
                            elide: Text.ElideNone
                        }
                        Glyph {
                            objectName: "downMark"
                            visible: Detail.isDown
                            symbol: "hand.thumbsdown.fill"
                            size: 14
                            color: Theme.danger
                        }
                    }
                    ThemedText {
                        Layout.fillWidth: true
                        visible: text.length > 0
                        Accessible.name: text
                        text: Detail.subtitle
                        size: 11
                        color: Theme.textMuted
                    }
                    ThemedText { text: Detail.idText; size: 10; color: Theme.textDim }
                }

                // Price block
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 14
                    Layout.rightMargin: 14
                    spacing: 4
                    RowLayout {
                        spacing: 8
                        ThemedText { text: Detail.price; Accessible.name: text; size: 20; weight: Font.DemiBold }
                        ThemedText {
                            visible: text.length > 0
                            Accessible.name: text
                            text: Detail.changeText
                            size: 12
                            weight: Font.Medium
                            color: Theme[Detail.changeColor]
                        }
                    }
                    ThemedText {
                        visible: text.length > 0
                        Accessible.name: text
                        text: Detail.outputPrice
                        size: 12
                        color: Theme.textSecondary
                    }
                    ThemedText {
                        visible: text.length > 0
                        Accessible.name: text
                        text: Detail.periodLow
                        size: 11
                        color: Theme.accentSecondary
                    }
                    RowLayout {
                        spacing: 6
                        ThemedText { text: Detail.stockLabel; size: 11; color: Theme.textMuted }
                        ThemedText {
                            text: Detail.stockValue
                            Accessible.name: Detail.stockLabel + " " + text
                            size: 11
                            color: Theme[Detail.stockColor]
                        }
                    }
                }

                // Price history
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 14
                    Layout.rightMargin: 14
                    spacing: 6
                    ThemedText { text: "价格历史"; size: 12; weight: Font.DemiBold }
                    PriceHistoryChart {
                        objectName: "priceChart"
                        Accessible.role: Accessible.Chart
                        Accessible.name: "价格历史"
                        Accessible.description: summary
                        Layout.fillWidth: true
                        Layout.preferredHeight: 180
                        snapshots: App.history
                        currency: Detail.currency
                        unit: Detail.unit
                        risingIsBad: true
                    }
                    Repeater {
                        model: Detail.snapshotRows
                        RowLayout {
                            required property var modelData
                            Layout.fillWidth: true
                            ThemedText { text: modelData.time; size: 11; color: Theme.textMuted }
                            Item { Layout.fillWidth: true }
                            ThemedText { text: modelData.price; Accessible.name: modelData.time + " " + text; size: 11 }
                        }
                    }
                }

                // Reactions
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 14
                    Layout.rightMargin: 14
                    spacing: 4
                    RowLayout {
                        spacing: 6
                        CompactButton {
                            objectName: "favoriteButton"
                            title: Detail.favoriteLabel
                            accent: Detail.isFavorite
                            enabled: Detail.canReact
                            onClicked: App.toggleFavoriteProduct(Detail.productId)
                        }
                        CompactButton {
                            objectName: "downButton"
                            title: Detail.downLabel
                            danger: Detail.isDown
                            enabled: Detail.canReact
                            onClicked: App.toggleDownProduct(Detail.productId)
                        }
                    }
                    ThemedText {
                        visible: text.length > 0
                        text: Detail.reactionHint
                        size: 10
                        color: Theme.textDim
                    }
                    RowLayout {
                        objectName: "targetPriceRow"
                        visible: Detail.showsAlertRule
                        Layout.fillWidth: true
                        spacing: 6
                        ThemedText { text: "到价提醒"; size: 11; color: Theme.textMuted }
                        ThemedText { text: Detail.targetCurrency; size: 11; visible: text.length > 0 }
                        PasteableLineField {
                            id: targetField
                            objectName: "targetPriceField"
                            Layout.preferredWidth: 96
                            placeholder: "目标价"
                            text: Detail.targetPrice
                            input.inputMethodHints: Qt.ImhFormattedNumbersOnly
                            // Taken on Return or on leaving; a refused text stays to be mended.
                            input.onEditingFinished: {
                                if (text !== Detail.targetPrice)
                                    App.setPriceTarget(Detail.productId, text)
                            }
                        }
                        Item { Layout.fillWidth: true }
                    }
                    RowLayout {
                        objectName: "mutedRow"
                        visible: Detail.showsAlertRule && Detail.alertsMuted
                        spacing: 6
                        ThemedText { text: "已不再提醒此商品"; size: 11; color: Theme.textMuted }
                        CompactButton {
                            objectName: "unmuteButton"
                            title: "恢复提醒"
                            onClicked: App.setAlertsMuted(Detail.productId, false)
                        }
                    }
                }

                // Facts
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.leftMargin: 14
                    Layout.rightMargin: 14
                    Layout.bottomMargin: 14
                    spacing: 4
                    Hairline {}
                    Repeater {
                        model: Detail.metaRows
                        RowLayout {
                            required property var modelData
                            Layout.fillWidth: true
                            ThemedText {
                                Layout.preferredWidth: 48
                                text: modelData.label
                                size: 11
                                color: Theme.textMuted
                            }
                            ThemedText {
                                Layout.fillWidth: true
                                text: modelData.value
                                Accessible.name: modelData.label + " " + text
                                size: 11
                            }
                        }
                    }
                    Pressable {
                        objectName: "productLink"
                        visible: Detail.url.length > 0
                        accessibleRole: Accessible.Link
                        accessibleName: linkText.text
                        implicitWidth: linkText.implicitWidth
                        implicitHeight: linkText.implicitHeight
                        color: "transparent"
                        onClicked: App.openProductPage()
                        ThemedText {
                            id: linkText
                            text: "打开商品页"
                            size: 11
                            color: Theme.accent
                        }
                    }
                }
            }
        }
    }
}
