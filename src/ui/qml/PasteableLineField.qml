import QtQuick
import QtQuick.Controls
import Quelvio

// A single-line themed field; secure fields hide what is typed. Edits go out through `edited`,
// Return through `submitted`; setting `text` from outside does not disturb typing.
Rectangle {
    id: field
    property alias text: input.text
    property alias input: input
    property string placeholder
    // What the field is, for assistive technology; the placeholder when it says so itself.
    property string label: placeholder
    property bool isSecure: false
    signal edited(string text)
    signal submitted()

    implicitHeight: 28
    implicitWidth: 160
    radius: Theme.cornerRadius
    color: Theme.bgElevated
    border.color: input.activeFocus ? Theme.accent : Theme.border
    border.width: 1

    TextField {
        id: input
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        echoMode: field.isSecure ? TextInput.Password : TextInput.Normal
        placeholderText: field.placeholder
        Accessible.name: field.label
        // Read by SecureFieldAccessible: Accessible.name reads empty once the field masks.
        readonly property string accessibleName: field.label
        // The placeholder is a hint only where it is not the name already: read once.
        Accessible.description: field.label === field.placeholder ? "" : field.placeholder
        placeholderTextColor: Theme.textDim
        color: Theme.textPrimary
        selectionColor: Theme.accent
        selectedTextColor: Theme.accentForeground
        font: { Theme.revision; return Theme.themedFont(12, Font.Normal) }
        background: null
        padding: 0
        selectByMouse: true
        onTextEdited: field.edited(text)
        onAccepted: field.submitted()
    }
}
