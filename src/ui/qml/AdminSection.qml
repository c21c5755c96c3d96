import QtQuick
import QtQuick.Layouts
import Quelvio

// Users and roles, redeem codes and reports; the lists load when the section appears.
ColumnLayout {
    id: admin
    // 0 users, 1 codes, 2 reports
    property int pane: 0

    spacing: 8
    // Deferred: the section appears while the sign-in is still announcing itself.
    Component.onCompleted: Qt.callLater(Account.loadAdmin)

    RowLayout {
        spacing: 6
        Repeater {
            model: ["用户", "兑换", "举报"]
            ZeltorChip {
                required property string modelData
                required property int index
                objectName: "adminPane" + index
                title: modelData
                selected: admin.pane === index
                onClicked: admin.pane = index
            }
        }
    }

    ColumnLayout {
        objectName: "adminUsersPane"
        visible: admin.pane === 0
        Layout.fillWidth: true
        spacing: 6
        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            PasteableLineField {
                Layout.fillWidth: true
                placeholder: "搜索用户"
                text: Account.adminUserQuery
                onEdited: (text) => Account.adminUserQuery = text
                onSubmitted: Account.searchAdminUsers()
            }
            CompactButton { title: "查"; onClicked: Account.searchAdminUsers() }
        }
        Repeater {
            model: Account.adminUsers
            RowLayout {
                required property var modelData
                Layout.fillWidth: true
                spacing: 6
                ThemedText { Layout.fillWidth: true; text: modelData.name; size: 12 }
                ThemedText { text: modelData.roleLabel; size: 11; color: Theme.textMuted }
                CompactButton {
                    visible: modelData.canSetRole
                    title: "设为普通"
                    enabled: modelData.role !== "user"
                    onClicked: Account.setRole(modelData.userId, "user")
                }
                CompactButton {
                    visible: modelData.canSetRole
                    title: "设为会员"
                    enabled: modelData.role !== "member"
                    onClicked: Account.setRole(modelData.userId, "member")
                }
            }
        }
    }

    ColumnLayout {
        visible: admin.pane === 1
        Layout.fillWidth: true
        spacing: 6
        PasteableLineField {
            Layout.fillWidth: true
            placeholder: "自定义码（可空）"
            text: Account.newCode
            onEdited: (text) => Account.newCode = text
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            PasteableLineField {
                Layout.preferredWidth: 60
                placeholder: "次数"
                text: Account.newCodeUses
                onEdited: (text) => Account.newCodeUses = text
            }
            PasteableLineField {
                Layout.fillWidth: true
                placeholder: "备注"
                text: Account.newCodeNote
                onEdited: (text) => Account.newCodeNote = text
            }
            CompactButton { title: "创建"; accent: true; onClicked: Account.createRedeemCode() }
        }
        Repeater {
            model: Account.adminCodes
            ThemedText {
                required property var modelData
                Layout.fillWidth: true
                text: modelData.line
                size: 11
                color: Theme.textSecondary
            }
        }
    }

    ColumnLayout {
        visible: admin.pane === 2
        Layout.fillWidth: true
        spacing: 6
        Repeater {
            model: Account.adminReports
            RowLayout {
                required property var modelData
                Layout.fillWidth: true
                spacing: 6
                Badge { text: modelData.kind; role: modelData.kindColor }
                ThemedText { text: modelData.target; size: 11; color: Theme.textMuted }
                ThemedText { Layout.fillWidth: true; text: modelData.line; size: 11 }
                ThemedText { text: modelData.time; size: 10; color: Theme.textDim }
            }
        }
    }
}
