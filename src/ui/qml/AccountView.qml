import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// Sign-in and registration when signed out; the account, membership and, for administrators,
// the administration when signed in.
Flickable {
    contentHeight: column.implicitHeight + 28
    clip: true
    boundsBehavior: Flickable.StopAtBounds

    ColumnLayout {
        id: column
        x: 14
        y: 14
        width: parent.width - 28
        spacing: 14

        SettingsSection {
            visible: !Account.isLoggedIn
            title: App.isRegistering ? "注册" : "登录"
            RowLayout {
                spacing: 6
                ZeltorChip { objectName: "signInChip"; title: "登录"; selected: !App.isRegistering; onClicked: App.isRegistering = false }
                ZeltorChip { objectName: "registerChip"; title: "注册"; selected: App.isRegistering; onClicked: App.isRegistering = true }
            }
            PasteableLineField {
                objectName: "usernameField"
                Layout.fillWidth: true
                placeholder: "用户名"
                text: App.authUsername
                onEdited: (text) => App.authUsername = text
                onSubmitted: App.loginOrRegister()
            }
            PasteableLineField {
                objectName: "passwordField"
                Layout.fillWidth: true
                placeholder: "密码"
                isSecure: true
                text: App.authPassword
                onEdited: (text) => App.authPassword = text
                onSubmitted: App.loginOrRegister()
            }
            PasteableLineField {
                objectName: "redeemField"
                visible: App.isRegistering
                Layout.fillWidth: true
                placeholder: "兑换码（可选）"
                text: App.authRedeem
                onEdited: (text) => App.authRedeem = text
            }
            CompactButton {
                objectName: "signInButton"
                Layout.alignment: Qt.AlignRight
                title: App.isRegistering ? "注册并登录" : "登录"
                accent: true
                onClicked: App.loginOrRegister()
            }
        }

        SettingsSection {
            visible: Account.isLoggedIn
            title: "账号"
            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                Glyph { symbol: "person.crop.circle"; size: 28; color: Theme.accent }
                ColumnLayout {
                    spacing: 2
                    ThemedText {
                        objectName: "accountName"
                        text: Account.username
                        Accessible.name: text
                        size: 14
                        weight: Font.DemiBold
                    }
                    ThemedText {
                        objectName: "accountRole"
                        text: Account.roleLabel
                        Accessible.name: text
                        size: 11
                        color: Theme.textMuted
                    }
                }
                Item { Layout.fillWidth: true }
                Badge {
                    objectName: "memberBadge"
                    text: Account.memberBadge
                    role: Account.memberBadgeColor
                }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 6
                PasteableLineField {
                    Layout.fillWidth: true
                    placeholder: "兑换码"
                    text: App.redeemInput
                    onEdited: (text) => App.redeemInput = text
                    onSubmitted: App.redeemMembership()
                }
                CompactButton { title: "兑换"; onClicked: App.redeemMembership() }
            }
            CompactButton { objectName: "signOutButton"; title: "退出登录"; danger: true; onClicked: App.logout() }
        }

        SettingsSection {
            visible: Account.isLoggedIn && Account.isAdmin
            title: "管理"
            Loader {
                Layout.fillWidth: true
                active: Account.isLoggedIn && Account.isAdmin
                sourceComponent: AdminSection {}
            }
        }
    }
}
