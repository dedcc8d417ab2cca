import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// What the user looks at while presenting: permission, last command, connections, address, port and help.
Flickable {
    id: tab

    readonly property alias portInput: portSection.portInput

    contentWidth: width
    contentHeight: column.implicitHeight + 16
    boundsBehavior: Flickable.StopAtBounds
    clip: true
    VerticalScrollBar {
        flickable: tab
    }

    ColumnLayout {
        id: column
        x: 24
        y: 16
        width: tab.width - 48
        spacing: 20

        PermissionWarning {
            objectName: "permissionWarning"
            Layout.fillWidth: true
            visible: !RemoteService.hasAccessibility
        }

        CommandFeedbackBanner {
            objectName: "commandBanner"
            Layout.fillWidth: true
            commandCount: RemoteService.commandCount
            lastCommand: RemoteService.lastCommand
            lastMessage: RemoteService.lastCommandMessage
        }

        // Where the arrows land; a warning when they would miss the presentation. The advice is a key, never a click: a
        // click on a slide show moves it.
        Text {
            objectName: "keyTarget"
            readonly property string target: RemoteService.keyTargetState
            readonly property bool isMisdirected: target === "ownWindow" || target === "nothing"
            Layout.fillWidth: true
            Layout.topMargin: -12
            visible: target !== "unknown"
            text: target === "program" ? qsTr("Touches → %1").arg(RemoteService.keyTargetProgram)
                : target === "ownWindow" ? qsTr("⚠️ Touches → cette fenêtre : revenez à votre présentation (Alt+Tab)")
                : qsTr("⚠️ Aucune fenêtre ne reçoit les touches : revenez à votre présentation (Alt+Tab)")
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: TextStyle.caption
            font.weight: isMisdirected ? Font.DemiBold : Font.Normal
            color: isMisdirected ? Colors.systemOrange : Colors.muted
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        RowLayout {
            id: pills
            Layout.fillWidth: true
            spacing: 10

            ConnectionPillView {
                objectName: "peerPill"
                Layout.fillWidth: true
                Layout.preferredWidth: (pills.width - pills.spacing) / 2
                Layout.fillHeight: true
                title: "Auto"
                value: RemoteService.isConnected ? qsTr("iPhone connecté") : qsTr("En attente")
                systemImage: RemoteService.isConnected ? "checkmark.circle.fill" : "circle.dashed"
                isActive: RemoteService.isConnected
            }

            ConnectionPillView {
                objectName: "httpPill"
                Layout.fillWidth: true
                Layout.preferredWidth: (pills.width - pills.spacing) / 2
                Layout.fillHeight: true
                title: "IP"
                value: RemoteService.httpStatusMessage
                systemImage: "network"
                isActive: RemoteService.isHttpListenerReady
            }
        }

        AddressPanel {
            Layout.fillWidth: true
        }

        InvitedPhonesSection {
            Layout.fillWidth: true
        }

        InstructionList {
            Layout.fillWidth: true
        }

        PortSection {
            id: portSection
            Layout.fillWidth: true
        }

        StoreLink {
            Layout.fillWidth: true
            Layout.topMargin: 8
        }

        Item {
            Layout.minimumHeight: 16
        }
    }
}
