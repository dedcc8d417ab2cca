import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The HTTP fallback port: a field filled from the stored port and "Appliquer".
ColumnLayout {
    id: section

    property alias portInput: portField.text
    readonly property int currentPort: RemoteService.httpPort
    readonly property int parsedPort: ViewRules.parsePort(portInput)

    spacing: 6

    // The field shows the current port each time the tab is shown; unapplied text is replaced.
    Component.onCompleted: portInput = String(currentPort)

    function apply() {
        const port = ViewRules.parsePort(portInput);
        if (port <= 0)
            return;
        RemoteService.applyPort(port);
    }

    // Once an applied port is open or refused, the field shows the port that serves, so a refused one does not look
    // taken.
    Connections {
        target: RemoteService
        function onIsApplyingPortChanged() {
            if (!RemoteService.isApplyingPort)
                section.portInput = String(section.currentPort);
        }
    }

    Text {
        text: qsTr("Port HTTP fallback")
        font.pixelSize: TextStyle.caption
        font.weight: Font.DemiBold
        color: Colors.muted
        Accessible.role: Accessible.StaticText
        Accessible.name: text
    }

    RowLayout {
        spacing: 8

        LineField {
            id: portField
            objectName: "portField"
            Layout.preferredWidth: 80
            placeholderText: "4777"
            font.family: TextStyle.monospace
            leftPadding: 6
            rightPadding: 6
            Accessible.name: qsTr("Port HTTP fallback")
            // Return applies the port, as the button would.
            onAccepted: {
                if (applyButton.enabled)
                    section.apply();
            }
        }

        FilledButton {
            id: applyButton
            objectName: "applyButton"
            text: qsTr("Appliquer")
            enabled: section.parsedPort >= 0 && section.parsedPort !== section.currentPort
            fill: "white"
            labelColor: enabled ? Colors.ink : Colors.withOpacity(Colors.muted, 0.6)
            font.pixelSize: TextStyle.body
            horizontalPadding: 12
            verticalPadding: 4
            radius: 6
            outline: Colors.line
            onClicked: section.apply()
        }

        Text {
            text: qsTr("Ports alternatifs : 8080, 8443, 8888")
            font.pixelSize: TextStyle.caption
            color: Colors.muted
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
