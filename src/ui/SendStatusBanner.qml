import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The outcome of the last text hand-off: green with a check mark when it succeeded, orange otherwise.
Rectangle {
    id: banner

    property string message
    property bool isSuccess
    readonly property color tone: isSuccess ? Colors.systemGreen : Colors.systemOrange

    implicitHeight: row.implicitHeight + 24
    radius: 12
    color: Colors.withOpacity(tone, 0.1)
    Behavior on color {
        ColorAnimation {
            duration: 300
            easing.type: Easing.InOutQuad
        }
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 12
        spacing: 8

        SymbolIcon {
            objectName: "sendStatusIcon"
            symbol: banner.isSuccess ? "checkmark.circle.fill" : "exclamationmark.triangle.fill"
            font.pixelSize: TextStyle.body
            color: banner.tone
        }

        Text {
            objectName: "sendStatusText"
            Layout.fillWidth: true
            text: banner.message
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            font.pixelSize: TextStyle.callout
            font.weight: Font.Medium
            color: Colors.ink
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
