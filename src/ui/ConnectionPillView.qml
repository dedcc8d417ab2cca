import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// A small card with one connection state: icon, caption and value.
Rectangle {
    id: pill

    property string title
    property string value
    property string systemImage
    property bool isActive

    implicitHeight: row.implicitHeight + 20
    radius: 12
    color: Colors.surface
    border.width: 1
    border.color: Colors.line

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 10
        spacing: 8

        SymbolIcon {
            objectName: "pillIcon"
            symbol: pill.systemImage
            font.pixelSize: TextStyle.body
            color: pill.isActive ? Colors.accent : Colors.muted
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                objectName: "pillTitle"
                text: pill.title
                textFormat: Text.PlainText
                font.pixelSize: TextStyle.caption
                font.weight: Font.Bold
                color: Colors.muted
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Text {
                objectName: "pillValue"
                Layout.fillWidth: true
                text: pill.value
                textFormat: Text.PlainText
                // Wraps rather than cuts: the end of a refused port's text names the port still serving.
                wrapMode: Text.Wrap
                font.pixelSize: TextStyle.caption
                color: Colors.ink
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
    }
}
