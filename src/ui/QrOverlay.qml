import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The address of the phone's remote page as a QR code, over the whole window; Escape or a click anywhere closes
// it. Where the address or the server would lead nowhere it says why instead.
Item {
    id: overlay

    property string address
    property bool hasAddress
    property int port
    property bool isListening
    property string serverStatus
    // Only the code carries it, in the fragment, which browsers never send: the address shown in words stays plain.
    property string invitation
    // Takes the focus back when the overlay closes, so Tab goes on from where it was.
    property Pressable opener
    readonly property bool opened: visible
    readonly property string url: "http://" + address + ":" + port + "/"
    readonly property string codeUrl: invitation ? url + "#i=" + invitation : url
    readonly property string reason: !hasAddress ? qsTr("Aucune IP réseau : reliez le Mac au réseau du téléphone, puis touchez Rafraîchir.")
                                                 : !isListening ? qsTr("Le serveur HTTP n'est pas actif (%1) : choisissez un autre port.").arg(serverStatus) : ""

    function open() {
        visible = true;
        forceActiveFocus();
    }

    function close(reason) {
        visible = false;
        if (opener)
            opener.takeFocus(reason);
    }

    // Above every view of the window, wherever the panel that owns it sits.
    parent: Window.contentItem
    anchors.fill: parent
    z: 1000
    visible: false
    Keys.onEscapePressed: close(Qt.TabFocusReason)

    Rectangle {
        anchors.fill: parent
        color: Colors.withOpacity(Colors.ink, 0.55)
    }

    // Takes the hover as well, so no button beneath keeps showing its tooltip over the overlay.
    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        onClicked: overlay.close(Qt.MouseFocusReason)
    }

    Rectangle {
        anchors.centerIn: parent
        width: column.implicitWidth + 48
        height: column.implicitHeight + 48
        radius: 16
        color: "white"
        border.width: 1
        border.color: Colors.line
        Accessible.role: Accessible.Dialog
        Accessible.name: qsTr("Code QR")

        ColumnLayout {
            id: column
            anchors.centerIn: parent
            spacing: 12

            Text {
                Layout.alignment: Qt.AlignHCenter
                text: overlay.reason ? qsTr("Pas de code QR") : qsTr("Scannez avec l'appareil photo du téléphone")
                font.pixelSize: TextStyle.title3
                font.weight: Font.DemiBold
                color: Colors.ink
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            // About 9.5 cm on a 96 dpi screen: a phone camera reads it from a metre away.
            QrCode {
                objectName: "qrCode"
                Layout.alignment: Qt.AlignHCenter
                implicitWidth: 360
                implicitHeight: 360
                visible: !overlay.reason
                // Encoded only while the overlay shows: most sessions never open it.
                text: overlay.reason || !overlay.opened ? "" : overlay.codeUrl
            }

            Text {
                objectName: "qrCaption"
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredWidth: 360
                text: overlay.reason || overlay.url
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: overlay.reason ? TextStyle.body : TextStyle.title2
                font.weight: overlay.reason ? Font.Normal : Font.Bold
                font.family: overlay.reason ? Qt.application.font.family : TextStyle.monospace
                color: overlay.reason ? Colors.muted : Colors.ink
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
    }
}
