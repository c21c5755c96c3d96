import QtQuick
import QtQuick.Layouts
import Quelvio

Item {
    id: empty
    property string icon
    property string text
    property string detail

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(empty.width - 48, 300)
        spacing: 8
        Glyph {
            Layout.alignment: Qt.AlignHCenter
            symbol: empty.icon
            size: 30
            color: Theme.textMuted
        }
        ThemedText {
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            text: empty.text
            Accessible.name: text
            size: 13
            weight: Font.DemiBold
        }
        ThemedText {
            Layout.fillWidth: true
            visible: empty.detail.length > 0
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            elide: Text.ElideNone
            text: empty.detail
            Accessible.name: text
            size: 11
            color: Theme.textMuted
        }
    }
}
