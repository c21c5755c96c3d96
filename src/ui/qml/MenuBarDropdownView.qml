import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// The dropdown panel's content: header, tabs and the page the route asks for, with the banner
// over the bottom edge.
Rectangle {
    id: root
    implicitWidth: 400
    implicitHeight: 560
    radius: Theme.cornerRadius > 0 ? 10 : 0
    color: Theme.bgBase
    border.color: Theme.borderSubtle
    border.width: 1
    clip: true

    // Keys not taken by a focused field or button arrive here.
    focus: true
    Keys.onPressed: (event) => shortcuts.listKey(event)
    KeyboardShortcuts { id: shortcuts }

    // The stock controls below (scroll bars, busy indicators, switches) wear the theme too.
    Component.onCompleted: Theme.dressPalette(palette)
    Connections {
        target: Theme
        function onMirlowThemeDidChange() { Theme.dressPalette(root.palette) }
    }

    PageSwitcher {
        objectName: "routePages"
        anchors.fill: parent
        anchors.margins: 1
        pages: [rootPage, detailPage, settingsPage]
        index: App.routeKind === "product" ? 1 : App.routeKind === "settings" ? 2 : 0
    }

    Component {
        id: rootPage
        ColumnLayout {
            spacing: 0
            PanelHeader { Layout.fillWidth: true }
            Hairline {}
            PageSwitcher {
                objectName: "tabPages"
                Layout.fillWidth: true
                Layout.fillHeight: true
                clip: true
                pages: [productsTab, favoritesTab, sourcesTab, accountTab]
                index: App.selectedTabIndex
            }
        }
    }
    Component { id: productsTab; ProductsTabView {} }
    Component { id: favoritesTab; FavoritesTabView {} }
    Component { id: sourcesTab; SourcesTabView {} }
    Component { id: accountTab; AccountView {} }
    Component { id: detailPage; ProductDetailView { showsBackButton: true } }
    Component { id: settingsPage; SettingsView {} }

    // The one-line message; it clears itself after a while or when dismissed.
    Rectangle {
        id: banner
        objectName: "banner"
        visible: App.banner.length > 0
        // An alert: screen readers announce it as it appears.
        Accessible.role: Accessible.AlertMessage
        Accessible.name: App.banner
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 10
        height: 36
        radius: Theme.cornerRadius
        color: Theme.bgElevated
        border.color: Theme.accent
        border.width: 1
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 10
            anchors.rightMargin: 6
            ThemedText {
                Layout.fillWidth: true
                text: App.banner
                size: 12
            }
            CompactButton {
                title: "好"
                onClicked: App.dismissBanner()
            }
        }
    }
}
