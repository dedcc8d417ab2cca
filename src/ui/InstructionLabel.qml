import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// One help line: a symbol, then a text that wraps but never truncates.
RowLayout {
    id: line

    property alias symbol: icon.symbol
    property alias iconColor: icon.color
    property alias text: label.text
    property alias textFormat: label.textFormat
    property alias fontWeight: label.font.weight
    // What a screen reader says; the shown text unless it carries markup.
    property string accessibleText: label.text

    spacing: 8

    SymbolIcon {
        id: icon
        Layout.alignment: Qt.AlignTop
        font.pixelSize: TextStyle.callout
        color: Colors.muted
    }

    Text {
        id: label
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        font.pixelSize: TextStyle.callout
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: line.accessibleText
    }
}
