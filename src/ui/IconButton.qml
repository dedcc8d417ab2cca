import QtQuick
import QtQuick.Controls.Basic
import Quorvelantis.Remote

// A borderless 34 × 34 button that shows only its symbol; its text is the tooltip and the accessible name.
AbstractButton {
    id: button

    property string symbol

    implicitWidth: 34
    implicitHeight: 34
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: text

    ToolTip.text: text
    ToolTip.visible: hovered || visualFocus
    ToolTip.delay: 600

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()

    contentItem: SymbolIcon {
        symbol: button.symbol
        font.pixelSize: TextStyle.title2
        color: Colors.accent
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: 8
        color: button.down ? Colors.withOpacity(Colors.accent, 0.15) : "transparent"
        border.width: button.visualFocus ? 1 : 0
        border.color: Colors.accent
    }
}
