import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// Server address and API key, theme, launch at login and the full scrape.
ColumnLayout {
    id: settings
    // Only inside the panel is there somewhere to go back to.
    property bool showsBackButton: true

    spacing: 0

    Component.onCompleted: {
        address.text = Account.baseURL
        apiKey.text = Account.apiKey
        Account.refreshLaunchAtLogin()
    }

    RowLayout {
        visible: settings.showsBackButton
        Layout.fillWidth: true
        Layout.margins: 8
        IconButton {
            objectName: "settingsBackButton"
            symbol: "chevron.left"
            help: "返回"
            onClicked: App.popToRoot()
        }
        ThemedText { text: "设置"; size: 13; weight: Font.DemiBold }
        Item { Layout.fillWidth: true }
    }
    Hairline { visible: settings.showsBackButton }

    Flickable {
        Layout.fillWidth: true
        Layout.fillHeight: true
        contentHeight: sections.implicitHeight + 28
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: sections
            x: 14
            y: 14
            width: parent.width - 28
            spacing: 14

            SettingsSection {
                title: "连接"
                ThemedText { text: "服务器"; size: 11; color: Theme.textSecondary }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    PasteableLineField {
                        id: address
                        objectName: "baseURLField"
                        Layout.fillWidth: true
                        placeholder: "https://…"
                        label: "服务器"
                        onSubmitted: Account.saveBaseURL(text)
                    }
                    CompactButton {
                        objectName: "pasteBaseURLButton"
                        title: "粘贴"
                        accessibleName: "粘贴 服务器"
                        onClicked: address.text = Account.pasteText()
                    }
                    CompactButton {
                        objectName: "saveBaseURLButton"
                        title: "保存"
                        accessibleName: "保存 服务器"
                        accent: true
                        onClicked: Account.saveBaseURL(address.text)
                    }
                }
                ThemedText { text: "API Key"; size: 11; color: Theme.textSecondary }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    PasteableLineField {
                        id: apiKey
                        objectName: "apiKeyField"
                        Layout.fillWidth: true
                        isSecure: true
                        placeholder: "选填"
                        label: "API Key"
                        onSubmitted: Account.saveAPIKey(text)
                    }
                    CompactButton {
                        objectName: "pasteAPIKeyButton"
                        title: "粘贴"
                        accessibleName: "粘贴 API Key"
                        onClicked: apiKey.text = Account.pasteText()
                    }
                    CompactButton {
                        objectName: "saveAPIKeyButton"
                        title: "保存"
                        accessibleName: "保存 API Key"
                        accent: true
                        onClicked: Account.saveAPIKey(apiKey.text)
                    }
                }
            }

            SettingsSection {
                title: "外观"
                SettingsThemePicker {
                    objectName: "themePicker"
                    selection: Account.themeKey
                    onChosen: (key) => Account.chooseTheme(key)
                }
            }

            SettingsSection {
                title: "启动"
                RowLayout {
                    Layout.fillWidth: true
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        ThemedText { text: "登录时启动"; size: 12 }
                        ThemedText {
                            objectName: "launchAtLoginCaption"
                            Layout.fillWidth: true
                            text: Account.launchAtLoginCaption
                            size: 10
                            color: Theme.textMuted
                            wrapMode: Text.Wrap
                        }
                    }
                    ThemedSwitch {
                        id: launchSwitch
                        objectName: "launchAtLoginSwitch"
                        Accessible.name: "登录时启动"
                        checked: Account.launchAtLoginOn
                        enabled: Account.launchAtLoginEnabled
                        onToggled: {
                            Account.setLaunchAtLogin(checked)
                            // Whatever happened, show what the system now has.
                            checked = Qt.binding(() => Account.launchAtLoginOn)
                        }
                    }
                }
            }

            SettingsSection {
                title: "提醒"
                RowLayout {
                    Layout.fillWidth: true
                    ThemedText { Layout.fillWidth: true; text: "收藏降价时通知"; size: 12 }
                    ThemedSwitch {
                        objectName: "priceDropAlertsSwitch"
                        Accessible.name: "收藏降价时通知"
                        enabled: Account.isLoggedIn
                        checked: Account.priceDropAlerts
                        onToggled: Account.priceDropAlerts = checked
                    }
                }
                RowLayout {
                    Layout.fillWidth: true
                    spacing: 4
                    ThemedText { Layout.fillWidth: true; text: "降幅至少"; size: 12 }
                    Repeater {
                        model: Account.minimumDropChoices
                        ZeltorChip {
                            required property int modelData
                            objectName: "minimumDrop" + modelData
                            title: modelData + "%"
                            Accessible.description: "降幅至少"
                            enabled: Account.isLoggedIn
                            selected: Account.minimumDropPercent === modelData
                            onClicked: Account.minimumDropPercent = modelData
                        }
                    }
                }
            }

            SettingsSection {
                objectName: "updateSection"
                visible: Account.hasAPIKey
                title: "更新"
                CompactButton {
                    objectName: "scrapeAllButton"
                    title: Account.scrapeTitle
                    enabled: !Account.scrapeBusy
                    onClicked: Account.scrapeAll()
                }
            }
        }
    }
}
