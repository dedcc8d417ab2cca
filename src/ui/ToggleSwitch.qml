import QtQuick
import Quorvelantis.Remote

// An on/off switch: its text, then a track whose knob sits right while it is on. It only asks for a change
// (toggled); whoever owns the state sets checked.
Pressable {
    id: control

    property bool checked
    property alias font: label.font

    signal toggled

    implicitWidth: label.implicitWidth + track.width + 12
    implicitHeight: Math.max(label.implicitHeight, track.height) + 8
    Accessible.role: Accessible.CheckBox
    Accessible.checkable: true
    Accessible.checked: checked
    onClicked: toggled()

    Text {
        id: label
        anchors.left: parent.left
        anchors.right: track.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: control.text
        wrapMode: Text.Wrap
        color: Colors.ink
    }

    Rectangle {
        id: track
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: 40
        height: 24
        radius: height / 2
        color: control.checked ? Colors.accent : Colors.line
        border.width: control.visualFocus ? 2 : 0
        border.color: Qt.darker(Colors.accent, 1.4)

        Rectangle {
            x: control.checked ? parent.width - width - 3 : 3
            anchors.verticalCenter: parent.verticalCenter
            width: 18
            height: 18
            radius: 9
            color: "white"
        }
    }
}
