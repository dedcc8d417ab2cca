import QtQuick
import Quorvelantis.Remote

// One help line: a symbol, then a text that wraps but never truncates. The text takes its width from the line, so
// its height always follows its wrapping.
Item {
    id: line

    property alias symbol: icon.symbol
    property alias iconColor: icon.color
    property alias text: label.text
    property alias textFormat: label.textFormat
    property alias fontWeight: label.font.weight
    // What a screen reader says; the shown text unless it carries markup.
    property string accessibleText: label.text

    implicitHeight: Math.max(icon.implicitHeight, label.implicitHeight)

    SymbolIcon {
        id: icon
        font.pixelSize: TextStyle.callout
        color: Colors.muted
    }

    Text {
        id: label
        x: icon.implicitWidth + 8
        width: line.width - x
        wrapMode: Text.Wrap
        font.pixelSize: TextStyle.callout
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: line.accessibleText
    }
}
