import QtQuick
import QtQuick.Controls.Basic
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
        }

        AbstractButton {
            id: link
            objectName: "storeLink"
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Télécharger sur l'App Store")
            focusPolicy: Qt.StrongFocus
            Accessible.role: Accessible.Link
            Accessible.name: text
            hoverEnabled: true

            Keys.onReturnPressed: clicked()
            Keys.onEnterPressed: clicked()
            onClicked: Qt.openUrlExternally("https://apps.apple.com/fr/search?term=Quorvelantis")

            contentItem: Text {
                text: link.text
                font.pixelSize: TextStyle.caption
                font.weight: Font.DemiBold
                font.underline: link.hovered || link.visualFocus
                color: Colors.accent
            }
            background: null

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }
        }
    }
}
