import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// Shown while key events cannot be posted, with the button that asks for the right.
Rectangle {
    implicitHeight: row.implicitHeight + 24
    radius: 12
    gradient: Gradient {
        GradientStop {
            position: 0
            color: Qt.tint(Colors.systemOrange, Colors.withOpacity("white", 0.18))
        }
        GradientStop {
            position: 1
            color: Colors.systemOrange
        }
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 12
        spacing: 10

        SymbolIcon {
            symbol: "exclamationmark.triangle.fill"
            font.pixelSize: TextStyle.callout
            color: "white"
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                Layout.fillWidth: true
                text: qsTr("Autorisation Accessibilité manquante")
                wrapMode: Text.Wrap
                font.pixelSize: TextStyle.callout
                font.weight: Font.DemiBold
                color: "white"
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Text {
                objectName: "permissionExplanation"
                Layout.fillWidth: true
                // Where no dialog can help, say why instead of offering one.
                text: RemoteService.canRequestAccessibility ? qsTr("Les touches clavier ne peuvent pas être envoyées sans cette autorisation.") : qsTr("Extension XTEST absente : le serveur X refuse les touches simulées.")
                wrapMode: Text.Wrap
                font.pixelSize: TextStyle.caption
                color: Colors.withOpacity("white", 0.8)
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }

            Text {
                objectName: "permissionRenewal"
                Layout.fillWidth: true
                // A portal that keeps no consent (before version 2) shows its dialog again at the next start.
                visible: RemoteService.accessRequestKind === "consentEachStart"
                text: qsTr("Le bureau redemandera l'autorisation à chaque démarrage")
                wrapMode: Text.Wrap
                font.pixelSize: TextStyle.caption
                color: Colors.withOpacity("white", 0.8)
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }

        FilledButton {
            objectName: "grantButton"
            visible: RemoteService.canRequestAccessibility
            text: qsTr("Autoriser")
            fill: "white"
            labelColor: Colors.systemOrange
            font.pixelSize: TextStyle.caption
            font.weight: Font.DemiBold
            horizontalPadding: 10
            verticalPadding: 4
            radius: 6
            onClicked: RemoteService.requestAccessibilityPermission()
        }
    }
}
