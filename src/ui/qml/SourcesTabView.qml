import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

Item {
    id: tab
    Component.onCompleted: App.refreshSources()

    EmptyStateView {
        anchors.fill: parent
        visible: App.sourcesBody === "placeholder"
        icon: App.sourcesPlaceholder.icon
        text: App.sourcesPlaceholder.text
        detail: App.sourcesPlaceholder.detail
    }
    Flickable {
        anchors.fill: parent
        visible: App.sourcesBody === "list"
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
            spacing: 6

            ColumnLayout {
                Layout.fillWidth: true
                Layout.margins: 10
                spacing: 6
                SearchField {
                    Layout.fillWidth: true
                    placeholder: "店铺地址 https://…"
                    text: App.sourceRequestURL
                    onEdited: (text) => App.sourceRequestURL = text
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    SearchField {
                        Layout.fillWidth: true
                        placeholder: "店名（可选）"
                        text: App.sourceRequestName
                        onEdited: (text) => App.sourceRequestName = text
                    }
                    CompactButton {
                        objectName: "sourceRequestButton"
                        title: App.sourceRequestTitle
                        // Named for what it does, whatever it shows while it cannot.
                        accessibleName: "提交收录"
                        Accessible.description: title === accessibleName ? "" : title
                        accent: true
                        enabled: App.canSubmitSourceRequest
                        onClicked: App.submitSourceRequest()
                    }
                }
            }
            Hairline {}
            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 10
                Layout.rightMargin: 10
                visible: Account.hasAPIKey
                Item { Layout.fillWidth: true }
                CompactButton {
                    title: Account.scrapeTitle
                    enabled: !Account.scrapeBusy
                    onClicked: Account.scrapeAll()
                }
            }
            ThemedText { Layout.leftMargin: 10; text: "已收录"; size: 11; weight: Font.DemiBold; color: Theme.textMuted }
            Repeater {
                model: App.includedShops
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
                    favorite: model.favorite
                    refreshing: model.refreshing
                    known: model.known
                    onFavoriteClicked: App.toggleFavoriteShop(slug)
                }
            }
            ThemedText {
                Layout.leftMargin: 10
                visible: App.pendingShops.count > 0
                text: "待收录"
                size: 11
                weight: Font.DemiBold
                color: Theme.textMuted
            }
            Repeater {
                model: App.pendingShops
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
                    favorite: model.favorite
                    refreshing: model.refreshing
                    known: model.known
                    onFavoriteClicked: App.toggleFavoriteShop(slug)
                }
            }
            Item { implicitHeight: 8 }
        }
    }
}
