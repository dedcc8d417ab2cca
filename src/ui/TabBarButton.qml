import QtQuick
import QtQuick.Controls.Basic
import Quorvelantis.Remote

// One tab of the bar: icon and title, accent with a tinted background and an underline while selected.
AbstractButton {
    id: button

    property string symbol
    property bool selected

    // Animated together so the selection moves between the two buttons in 0.2 s.
    property color tint: selected ? Colors.accent : Colors.muted
    property real selection: selected ? 1 : 0
    Behavior on tint {
        ColorAnimation {
            duration: 200
            easing.type: Easing.InOutQuad
        }
    }
    Behavior on selection {
        NumberAnimation {
            duration: 200
            easing.type: Easing.InOutQuad
        }
    }

    focusPolicy: Qt.StrongFocus
    topPadding: 10
    bottomPadding: 10
    leftPadding: 0
    rightPadding: 0

    Accessible.role: Accessible.PageTab
    Accessible.name: text
    Accessible.selectable: true
    Accessible.selected: selected

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Row {
            id: label
            anchors.centerIn: parent
            spacing: 6

            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                symbol: button.symbol
                font.pixelSize: TextStyle.caption
                color: button.tint
            }

            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: button.text
                font.pixelSize: TextStyle.callout
                font.weight: Font.DemiBold
                color: button.tint
            }
        }
    }

    background: Rectangle {
        objectName: "tabBackground"
        color: Colors.withOpacity(Colors.accent, 0.1 * button.selection)
        border.width: button.visualFocus ? 1 : 0
        border.color: Colors.accent

        Rectangle {
            objectName: "tabUnderline"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 2
            color: Colors.accent
            opacity: button.selection
        }
    }
}
