import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// Sign-in and registration when signed out; the account and membership when signed in.
Flickable {
    contentHeight: column.implicitHeight + 20
    clip: true
    boundsBehavior: Flickable.StopAtBounds

    ColumnLayout {
        id: column
        x: 14
        y: 14
        width: parent.width - 28
        spacing: 8

        ColumnLayout {
            visible: !App.isLoggedIn
            Layout.fillWidth: true
            spacing: 8
            ThemedText { text: App.isRegistering ? "注册" : "登录"; size: 14; weight: Font.DemiBold }
            SearchField {
                objectName: "usernameField"
                Layout.fillWidth: true
                placeholder: "用户名"
                text: App.authUsername
                onEdited: (text) => App.authUsername = text
            }
            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 28
                radius: Theme.cornerRadius
                color: Theme.bgElevated
                border.color: password.activeFocus ? Theme.accent : Theme.border
                TextField {
                    id: password
                    objectName: "passwordField"
                    anchors.fill: parent
                    anchors.leftMargin: 8
                    echoMode: TextInput.Password
                    placeholderText: "密码"
                    placeholderTextColor: Theme.textDim
                    color: Theme.textPrimary
                    font: Theme.themedFont(12, Font.Normal)
                    background: null
                    padding: 0
                    text: App.authPassword
                    onTextEdited: App.authPassword = text
                }
            }
            SearchField {
                visible: App.isRegistering
                Layout.fillWidth: true
                placeholder: "兑换码（可选）"
                text: App.authRedeem
                onEdited: (text) => App.authRedeem = text
            }
            RowLayout {
                Layout.fillWidth: true
                CheckBox {
                    checked: App.isRegistering
                    onToggled: App.isRegistering = checked
                }
                ThemedText { text: "注册新账号"; size: 11; color: Theme.textSecondary }
                Item { Layout.fillWidth: true }
                CompactButton {
                    objectName: "signInButton"
                    title: App.isRegistering ? "注册" : "登录"
                    accent: true
                    onClicked: App.loginOrRegister()
                }
            }
        }

        ColumnLayout {
            visible: App.isLoggedIn
            Layout.fillWidth: true
            spacing: 8
            RowLayout {
                spacing: 8
                Glyph { symbol: "person.crop.circle"; size: 28; color: Theme.accent }
                ColumnLayout {
                    spacing: 2
                    ThemedText { objectName: "accountName"; text: App.username; size: 14; weight: Font.DemiBold }
                    RowLayout {
                        spacing: 4
                        Badge { visible: App.roleLabel.length > 0; text: App.roleLabel; role: "accent" }
                        Badge { visible: App.isMember; text: "会员"; role: "success" }
                    }
                }
            }
            RowLayout {
                Layout.fillWidth: true
                SearchField {
                    Layout.fillWidth: true
                    placeholder: "兑换码"
                    text: App.redeemInput
                    onEdited: (text) => App.redeemInput = text
                }
                CompactButton { title: "兑换"; onClicked: App.redeemMembership() }
            }
            CompactButton { title: "退出登录"; danger: true; onClicked: App.logout() }
        }
    }
}
