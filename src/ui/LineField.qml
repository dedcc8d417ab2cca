import QtQuick
import Quorvelantis.Remote

// A single-line field on the rounded field background, with a placeholder while it is empty.
TextInput {
    id: field

    property string placeholderText

    topPadding: 6
    bottomPadding: 6
    leftPadding: 8
    rightPadding: 8
    verticalAlignment: TextInput.AlignVCenter
    clip: true
    activeFocusOnTab: true
    selectByMouse: true
    font.pixelSize: TextStyle.body
    color: Colors.ink
    selectionColor: Colors.accent
    selectedTextColor: "white"

    // The border turns accent while the field has the focus.
    Rectangle {
        anchors.fill: parent
        z: -1
        radius: 6
        color: "white"
        border.width: field.activeFocus ? 2 : 1
        border.color: field.activeFocus ? Colors.accent : Colors.line
    }

    Text {
        x: field.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        visible: field.text === "" && field.preeditText === ""
        text: field.placeholderText
        font: field.font
        color: Colors.withOpacity(Colors.muted, 0.6)
        Accessible.ignored: true
    }
}
