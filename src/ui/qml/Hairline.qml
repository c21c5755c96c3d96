import QtQuick
import QtQuick.Layouts
import Quelvio

Rectangle {
    Layout.fillWidth: true
    implicitHeight: 1
    color: Theme.border
}
