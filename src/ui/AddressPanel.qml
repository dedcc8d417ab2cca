import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The desktop's address for the phone, with copy, the QR code of the remote page, and refresh; under it the remote
// page's address, to read out or type on a phone without scanning.
ColumnLayout {
    spacing: 8

    QrOverlay {
        id: qrOverlay
        objectName: "qrOverlay"
        address: RemoteService.localIPAddress
        hasAddress: RemoteService.hasLocalIPAddress
        port: RemoteService.httpPort
        invitation: RemoteService.invitation
        isListening: RemoteService.isHttpListenerReady
        serverStatus: RemoteService.httpStatusMessage
        opener: qrButton
    }

    Text {
        text: qsTr("IP du Mac")
        font.pixelSize: TextStyle.caption
        font.weight: Font.DemiBold
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    Rectangle {
        Layout.fillWidth: true
        implicitHeight: row.implicitHeight + 28
        radius: 14
        color: Colors.surface
        border.width: 1
        border.color: Colors.line

        RowLayout {
            id: row
            anchors.fill: parent
            anchors.margins: 14
            spacing: 10

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2

                TextEdit {
                    objectName: "address"
                    Layout.fillWidth: true
                    text: RemoteService.localIPAddress
                    textFormat: TextEdit.PlainText
                    readOnly: true
                    selectByMouse: true
                    font.pixelSize: TextStyle.title
                    font.weight: Font.Bold
                    font.family: TextStyle.monospace
                    color: Colors.ink
                    selectionColor: Colors.withOpacity(Colors.accent, 0.3)
                    selectedTextColor: Colors.ink
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                TextEdit {
                    id: pageUrl
                    objectName: "pageUrl"
                    Layout.fillWidth: true
                    visible: !qrOverlay.reason
                    text: qrOverlay.url
                    textFormat: TextEdit.PlainText
                    readOnly: true
                    selectByMouse: true
                    font.pixelSize: TextStyle.callout
                    font.family: TextStyle.monospace
                    color: Colors.accent
                    selectionColor: Colors.withOpacity(Colors.accent, 0.3)
                    selectedTextColor: Colors.ink
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }

                // Any phone's browser is a remote, with or without the phone app.
                Text {
                    objectName: "pageUrlHint"
                    Layout.fillWidth: true
                    visible: pageUrl.visible
                    text: qsTr("Ou ouvrez cette adresse dans le navigateur du téléphone")
                    wrapMode: Text.Wrap
                    font.pixelSize: TextStyle.caption
                    color: Colors.muted
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }

            IconButton {
                objectName: "copyButton"
                text: qsTr("Copier l'IP")
                symbol: "doc.on.doc"
                onClicked: Clipboard.setText(RemoteService.localIPAddress)
            }

            IconButton {
                id: qrButton
                objectName: "qrButton"
                text: qsTr("Code QR")
                symbol: "qrcode"
                onClicked: qrOverlay.open()
            }

            IconButton {
                objectName: "refreshButton"
                text: qsTr("Rafraîchir")
                symbol: "arrow.clockwise"
                onClicked: RemoteService.refreshLocalIPAddress()
            }
        }
    }
}
