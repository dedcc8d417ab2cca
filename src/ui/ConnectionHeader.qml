import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// Whether a phone is connected, and the service's status line.
Item {
    implicitHeight: row.implicitHeight + 32

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        anchors.topMargin: 16
        anchors.bottomMargin: 16
        spacing: 12

        Rectangle {
            objectName: "statusDot"
            implicitWidth: 10
            implicitHeight: 10
            radius: 5
            color: RemoteService.isConnected ? Colors.systemGreen : Colors.withOpacity(Colors.muted, 0.4)
        }

        SymbolIcon {
            objectName: "connectionIcon"
            symbol: RemoteService.isConnected ? "iphone.radiowaves.left.and.right" : "antenna.radiowaves.left.and.right"
            font.pixelSize: TextStyle.title2
            color: RemoteService.isConnected ? Colors.accent : Colors.muted
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                text: qsTr("Quorvelantis Remote")
                font.pixelSize: TextStyle.title3
                font.weight: Font.Bold
                color: Colors.ink
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Text {
                objectName: "statusLine"
                Layout.fillWidth: true
                text: RemoteService.statusMessage
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font.pixelSize: TextStyle.caption
                color: Colors.muted
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
    }
}
