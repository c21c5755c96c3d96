import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quelvio

// A themed text field with an optional leading icon and a clear button.
Rectangle {
    id: field
    property alias text: input.text
    property string placeholder
    property string icon
    property bool clearable: false
    signal edited(string text)
    signal cleared()
    readonly property bool editing: input.activeFocus

    function focusField() { input.forceActiveFocus() }

    implicitHeight: 28
    radius: Theme.cornerRadius
    color: Theme.bgElevated
    border.color: input.activeFocus ? Theme.accent : Theme.border
    border.width: 1

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 4
        spacing: 6
        Glyph { visible: field.icon.length > 0; symbol: field.icon; size: 14; color: Theme.textMuted }
        TextField {
            id: input
            Layout.fillWidth: true
            objectName: "input"
            placeholderText: field.placeholder
            Accessible.name: field.placeholder
            placeholderTextColor: Theme.textDim
            color: Theme.textPrimary
            selectionColor: Theme.accent
            selectedTextColor: Theme.accentForeground
            font: { Theme.revision; return Theme.themedFont(12, Font.Normal) }
            background: null
            padding: 0
            selectByMouse: true
            onTextEdited: field.edited(text)
        }
        IconButton {
            visible: field.clearable && input.text.length > 0
            symbol: "xmark.circle.fill"
            glyphSize: 14
            help: "清除"
            // A pointer's shortcut: the keyboard edits the text itself, and Tab goes on past it.
            activeFocusOnTab: false
            onClicked: field.cleared()
        }
    }
}
