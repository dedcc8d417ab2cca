import QtQuick
import Quorvelantis.Remote

// A push button drawn only from its fill and label (an optional symbol, then the text).
Pressable {
    id: button

    property string symbol
    property color fill: Colors.accent
    property color labelColor: "white"
    property real radius: 12
    property color outline: "transparent"
    property alias font: title.font
    property real horizontalPadding
    property real verticalPadding

    implicitWidth: label.implicitWidth + 2 * horizontalPadding
    implicitHeight: label.implicitHeight + 2 * verticalPadding
    Accessible.role: Accessible.Button

    Rectangle {
        anchors.fill: parent
        radius: button.radius
        color: button.down ? Qt.darker(button.fill, 1.1) : button.fill
        border.width: button.visualFocus ? 2 : 1
        border.color: button.visualFocus ? Qt.darker(button.fill, 1.4) : button.outline
    }

    Row {
        id: label
        anchors.centerIn: parent
        spacing: 8

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            visible: button.symbol !== ""
            symbol: button.symbol
            font.pixelSize: button.font.pixelSize
            color: button.labelColor
        }

        Text {
            id: title
            anchors.verticalCenter: parent.verticalCenter
            text: button.text
            color: button.labelColor
        }
    }
}
