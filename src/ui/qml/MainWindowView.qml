import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// The main window's content: a sidebar of places, the centre column with the same pages as the
// panel, and the open product in an inspector column.
Rectangle {
    id: root
    implicitWidth: 980
    implicitHeight: 640
    color: Theme.bgBase

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

    // Each time the window comes on screen, as the panel does when it opens.
    readonly property bool shown: Window.window ? Window.window.visible : false
    onShownChanged: if (shown) App.appear()

    component SidebarItem: Pressable {
        id: item
        property string symbol
        property string title
        property bool selected: false
        property bool isTab: true

        // 设置 and 退出 sit below the tabs but are no tabs: one is a place, the other quits.
        accessibleRole: isTab ? Accessible.PageTab : Accessible.Button
        accessibleName: title
        Accessible.selected: isTab && selected
        Layout.fillWidth: true
        implicitHeight: 30
        radius: Theme.cornerRadius
        color: selected ? Theme.accent : (containsMouse ? Theme.bgHover : "transparent")
        Behavior on color { ColorAnimation { duration: Theme.motionDuration } }

        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 10
            anchors.rightMargin: 10
            spacing: 8
            Glyph {
                symbol: item.symbol
                size: 15
                color: item.selected ? Theme.textPrimary : Theme.textMuted
            }
            ThemedText {
                Layout.fillWidth: true
                text: item.title
                size: 12
                weight: item.selected ? Font.DemiBold : Font.Medium
                color: item.selected ? Theme.textPrimary : Theme.textMuted
            }
        }
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            id: sidebar
            objectName: "sidebar"
            Layout.preferredWidth: 180
            Layout.fillHeight: true
            color: Theme.bgSidebar

            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 10
                spacing: 4
                ConnectionDot {
                    Layout.topMargin: 24
                    Layout.bottomMargin: 10
                    Layout.leftMargin: 4
                    status: App.connection
                    label: App.connectionLabel
                }
                Repeater {
                    model: App.tabs
                    SidebarItem {
                        required property var modelData
                        objectName: "sidebar-" + modelData.key
                        symbol: modelData.symbol
                        title: modelData.title
                        selected: App.routeKind !== "settings" && App.selectedTab === modelData.key
                        onClicked: App.selectTab(modelData.key)
                    }
                }
                Item { Layout.fillHeight: true }
                SidebarItem {
                    objectName: "sidebar-settings"
                    symbol: "gearshape"
                    title: "设置"
                    isTab: false
                    selected: App.routeKind === "settings"
                    onClicked: App.showSettings()
                }
                // Where the desktop shows no tray icon, this is the way out.
                SidebarItem {
                    objectName: "sidebar-quit"
                    symbol: "power"
                    title: "退出"
                    isTab: false
                    selected: false
                    onClicked: App.quit()
                }
            }
        }
        Rectangle { Layout.fillHeight: true; implicitWidth: 1; color: Theme.border }

        Rectangle {
            objectName: "centre"
            Layout.fillWidth: true
            Layout.fillHeight: true
            color: Theme.bgElevated

            ColumnLayout {
                anchors.fill: parent
                spacing: 0
                ThemedText {
                    objectName: "placeTitle"
                    Layout.fillWidth: true
                    Layout.margins: 12
                    Layout.topMargin: 24
                    text: Detail.placeTitle
                    size: 15
                    weight: Font.DemiBold
                }
                Hairline {}
                // Settings sits below the tabs in the sidebar, so it comes in after them.
                PageSwitcher {
                    objectName: "centrePages"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    clip: true
                    pages: [productsTab, favoritesTab, sourcesTab, accountTab, settingsPage]
                    index: App.routeKind === "settings" ? 4 : App.selectedTabIndex
                }
            }
        }

        Rectangle {
            Layout.fillHeight: true
            implicitWidth: 1
            color: Theme.border
            visible: inspector.visible
        }
        Rectangle {
            id: inspector
            objectName: "inspector"
            Layout.preferredWidth: 360
            Layout.fillHeight: true
            visible: Detail.showsInspector
            color: Theme.bgBase
            PageSwitcher {
                objectName: "inspectorPages"
                anchors.fill: parent
                clip: true
                pages: [null, inspectorPage]
                index: inspector.visible ? 1 : 0
            }
        }
    }

    Component { id: productsTab; ProductsTabView {} }
    Component { id: favoritesTab; FavoritesTabView {} }
    Component { id: sourcesTab; SourcesTabView {} }
    Component { id: accountTab; AccountView {} }
    Component { id: settingsPage; SettingsView { showsBackButton: false } }
    Component { id: inspectorPage; ProductDetailView { showsBackButton: false } }

    // Over the content, clear of the sidebar and its 退出.
    Banner {
        x: sidebar.width + 1 + 10
        width: parent.width - x - 10
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
    }
}
