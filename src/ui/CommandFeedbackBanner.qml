import QtQuick
import QtQuick.Layouts
import Quorvelantis.Remote

// The last slide command, its feedback text and the number of commands handled; flashes for each new count.
Rectangle {
    id: banner

    property double commandCount: 0
    // Raw value of the last command, empty before the first.
    property string lastCommand
    property string lastMessage
    property bool isFlashing: false
    readonly property bool isActive: commandCount >= 1
    // The count the banner was first shown with does not flash.
    property bool isShown: false

    implicitHeight: row.implicitHeight + 24
    radius: 14
    color: isActive ? Colors.accent : Colors.surface
    border.width: 1
    border.color: isActive ? Colors.accent : Colors.line

    scale: isFlashing ? 1.03 : 1.0
    // A spring of response 0.25 s and damping fraction 0.5: stiffness (2π/0.25)² and damping 2·0.5·(2π/0.25), taken
    // per 16 ms step, which is how SpringAnimation integrates.
    Behavior on scale {
        SpringAnimation {
            spring: 631.65 * 0.016
            damping: 25.13 * 0.016
            epsilon: 0.0005
        }
    }

    Component.onCompleted: isShown = true
    onCommandCountChanged: if (isShown) flash()

    // When each flash's reset is due, oldest first. Each flash ends 0.2 s after its own command; the first reset due
    // ends the flash, as if every command had its own timer, and one Timer serves them all.
    property var flashResetsDue: []

    function flash() {
        isFlashing = true;
        flashResetsDue.push(Date.now() + 200);
        if (!flashReset.running) {
            flashReset.interval = 200;
            flashReset.start();
        }
    }

    Timer {
        id: flashReset
        onTriggered: {
            banner.isFlashing = false;
            const now = Date.now();
            banner.flashResetsDue.shift();
            while (banner.flashResetsDue.length > 0 && banner.flashResetsDue[0] <= now)
                banner.flashResetsDue.shift();
            if (banner.flashResetsDue.length > 0) {
                interval = Math.max(1, banner.flashResetsDue[0] - now);
                start();
            }
        }
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        anchors.topMargin: 12
        anchors.bottomMargin: 12
        spacing: 10

        SymbolIcon {
            objectName: "commandIcon"
            symbol: ({
                    "next": "forward.fill",
                    "previous": "backward.fill",
                    "blackScreen": "tv.slash",
                    "first": "backward.end.fill",
                    "last": "forward.end.fill"
                })[banner.lastCommand] ?? "bolt.horizontal"
            font.pixelSize: TextStyle.callout
            font.weight: Font.Bold
            color: banner.isActive ? "white" : Colors.muted
        }

        Text {
            objectName: "commandMessage"
            Layout.fillWidth: true
            text: banner.lastMessage
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font.pixelSize: TextStyle.callout
            font.weight: Font.DemiBold
            color: banner.isActive ? "white" : Colors.muted
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Rectangle {
            objectName: "countBadge"
            visible: banner.isActive
            implicitWidth: count.implicitWidth + 16
            implicitHeight: count.implicitHeight + 6
            radius: height / 2
            color: Colors.withOpacity("white", 0.2)

            Text {
                id: count
                objectName: "countText"
                anchors.centerIn: parent
                text: qsTr("%1").arg(String(banner.commandCount))
                font.pixelSize: TextStyle.caption
                font.weight: Font.ExtraBold
                color: Colors.withOpacity("white", 0.8)
                Accessible.role: Accessible.StaticText
                Accessible.name: text
            }
        }
    }
}
