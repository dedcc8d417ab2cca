import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The switch that lets in only the phones that scanned the code, what it protects from, and, while it is on, the
// phones let in and what was refused.
ColumnLayout {
    spacing: 8

    ToggleSwitch {
        objectName: "invitedOnlySwitch"
        Layout.fillWidth: true
        text: qsTr("Seulement les téléphones invités")
        checked: RemoteService.isInvitedOnly
        font.pixelSize: TextStyle.body
        font.weight: Font.DemiBold
        onToggled: RemoteService.setInvitedOnly(!checked)
    }

    Text {
        objectName: "invitedOnlyHelp"
        Layout.fillWidth: true
        text: qsTr("Chaque téléphone entre en scannant le code QR une fois ; le public et quiconque ne connaît que l'adresse ne peuvent plus changer les slides. Sans chiffrement sur le réseau local, cela ne protège pas de quelqu'un qui enregistre le trafic du Wi-Fi.")
        wrapMode: Text.Wrap
        font.pixelSize: TextStyle.caption
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    Text {
        objectName: "refusedLine"
        Layout.fillWidth: true
        visible: RemoteService.isInvitedOnly && RemoteService.refusedCount > 0
        text: RemoteService.refusedCount === 1 ? qsTr("1 demande refusée de %1 : appareil non invité").arg(RemoteService.refusedAddress) : qsTr("%1 demandes refusées de %2 : appareil non invité").arg(RemoteService.refusedCount).arg(RemoteService.refusedAddress)
        wrapMode: Text.Wrap
        font.pixelSize: TextStyle.caption
        font.weight: Font.DemiBold
        color: Colors.systemOrange
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    Text {
        Layout.fillWidth: true
        visible: RemoteService.isInvitedOnly && RemoteService.invitedPhones.length === 0
        text: qsTr("Aucun téléphone invité : ouvrez le code QR et scannez-le avec le téléphone.")
        wrapMode: Text.Wrap
        font.pixelSize: TextStyle.caption
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    Repeater {
        model: RemoteService.isInvitedOnly ? RemoteService.invitedPhones : []

        delegate: Rectangle {
            required property var modelData
            Layout.fillWidth: true
            implicitHeight: phoneRow.implicitHeight + 16
            radius: 10
            color: Colors.surface
            border.width: 1
            border.color: Colors.line

            RowLayout {
                id: phoneRow
                anchors.fill: parent
                anchors.margins: 8
                spacing: 8

                Rectangle {
                    width: 10
                    height: 10
                    radius: 5
                    color: modelData.isConnected ? Colors.systemGreen : Colors.line
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 1

                    Text {
                        objectName: "phoneName"
                        Layout.fillWidth: true
                        text: modelData.kind + " — " + modelData.address
                        elide: Text.ElideRight
                        font.pixelSize: TextStyle.callout
                        font.weight: Font.DemiBold
                        color: Colors.ink
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                    }

                    Text {
                        objectName: "phoneState"
                        Layout.fillWidth: true
                        text: (modelData.isConnected ? qsTr("connecté") : qsTr("non connecté")) + " · " + qsTr("invité le %1").arg(modelData.since.toLocaleString(Qt.locale(), Locale.ShortFormat))
                        elide: Text.ElideRight
                        font.pixelSize: TextStyle.caption
                        color: Colors.muted
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                    }
                }

                FilledButton {
                    objectName: "disconnectButton"
                    text: qsTr("Déconnecter")
                    fill: "white"
                    labelColor: Colors.ink
                    outline: Colors.line
                    font.pixelSize: TextStyle.caption
                    horizontalPadding: 10
                    verticalPadding: 4
                    radius: 6
                    onClicked: RemoteService.disconnectPhone(modelData.keyHash)
                }
            }
        }
    }

    FilledButton {
        objectName: "forgetAllButton"
        visible: RemoteService.isInvitedOnly && RemoteService.invitedPhones.length > 0
        text: qsTr("Oublier tous les téléphones")
        fill: "white"
        labelColor: Colors.systemOrange
        outline: Colors.line
        font.pixelSize: TextStyle.caption
        horizontalPadding: 10
        verticalPadding: 4
        radius: 6
        onClicked: RemoteService.forgetAllPhones()
    }
}
