import QtQuick
import Quorvelantis.Remote

// One tab of the bar: icon and title, accent with a tinted background and an underline while selected.
Pressable {
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

    implicitWidth: label.implicitWidth
    implicitHeight: label.implicitHeight + 20

    Accessible.role: Accessible.PageTab
    Accessible.selectable: true
    Accessible.selected: selected

    Rectangle {
        objectName: "tabBackground"
        anchors.fill: parent
        color: Colors.withOpacity(Colors.accent, 0.1 * button.selection)
        border.width: button.activeFocus ? 1 : 0
        border.color: Colors.accent
    }

    Row {
        id: label
        anchors.centerIn: parent
        spacing: 6

        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            symbol: button.symbol
            font.pixelSize: TextStyle.smallSymbol
            font.weight: Font.DemiBold
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
