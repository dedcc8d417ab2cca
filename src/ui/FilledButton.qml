import QtQuick
import QtQuick.Controls.Basic
import Quorvelantis.Remote

// A push button drawn only from its fill and label (an optional symbol, then the text); Space, Return and Enter
// press it when it has the focus.
AbstractButton {
    id: button

    property string symbol
    property color fill: Colors.accent
    property color labelColor: "white"
    property real radius: 12
    property color outline: "transparent"

    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: text

    Keys.onReturnPressed: if (enabled)
        clicked()
    Keys.onEnterPressed: if (enabled)
        clicked()

    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

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
                anchors.verticalCenter: parent.verticalCenter
                text: button.text
                font: button.font
                color: button.labelColor
            }
        }
    }

    background: Rectangle {
        radius: button.radius
        color: button.down ? Qt.darker(button.fill, 1.1) : button.fill
        border.width: button.visualFocus ? 2 : 1
        border.color: button.visualFocus ? Qt.darker(button.fill, 1.4) : button.outline
    }
}
