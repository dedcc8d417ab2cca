import QtQuick
import Quorvelantis.Remote

// Where to get the phone app: a caption and a link to its store page.
Item {
    implicitHeight: row.implicitHeight

    Row {
        id: row
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 4

        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Vous n'avez pas l'app iPhone ?")
            font.pixelSize: TextStyle.caption
            color: Colors.muted
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Pressable {
            id: link
            objectName: "storeLink"
            anchors.verticalCenter: parent.verticalCenter
            implicitWidth: linkText.implicitWidth
            implicitHeight: linkText.implicitHeight
            text: qsTr("Télécharger sur l'App Store")
            Accessible.role: Accessible.Link
            onClicked: Qt.openUrlExternally("https://apps.apple.com/fr/search?term=Quorvelantis")

            Text {
                id: linkText
                text: link.text
                font.pixelSize: TextStyle.caption
                font.weight: Font.DemiBold
                font.underline: link.hovered || link.activeFocus
                color: Colors.accent
            }
        }
    }
}
