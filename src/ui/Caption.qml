import QtQuick
import Quorvelantis.Remote

// A section caption: symbol and text, caption size, semibold, muted.
Row {
    property alias symbol: icon.symbol
    property alias text: label.text

    spacing: 4

    SymbolIcon {
        id: icon
        anchors.verticalCenter: parent.verticalCenter
        font.pixelSize: TextStyle.smallSymbol
        color: Colors.muted
    }

    Text {
        id: label
        anchors.verticalCenter: parent.verticalCenter
        font.pixelSize: TextStyle.caption
        font.weight: Font.DemiBold
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }
}
