import QtQuick
import Quorvelantis.Remote

// The rounded-border look of the single-line fields; the border turns accent while the field has the focus.
Rectangle {
    property bool hasFocus

    implicitHeight: 26
    radius: 6
    color: "white"
    border.width: hasFocus ? 2 : 1
    border.color: hasFocus ? Colors.accent : Colors.line
}
