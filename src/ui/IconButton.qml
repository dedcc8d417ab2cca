import QtQuick
import Quorvelantis.Remote

// A borderless 34 × 34 button that shows only its symbol; its text is the tooltip and the accessible name.
Pressable {
    id: button

    property string symbol
    // Shown 0.6 s after the pointer or the keyboard's focus came onto the button.
    readonly property bool isToolTipShown: toolTipDelay.elapsed && (hovered || visualFocus)

    implicitWidth: 34
    implicitHeight: 34
    Accessible.role: Accessible.Button

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: button.down ? Colors.withOpacity(Colors.accent, 0.15) : "transparent"
        border.width: button.visualFocus ? 1 : 0
        border.color: Colors.accent
    }

    SymbolIcon {
        anchors.centerIn: parent
        symbol: button.symbol
        font.pixelSize: TextStyle.title2
        color: Colors.accent
    }

    Timer {
        id: toolTipDelay
        property bool elapsed: false
        interval: 600
        running: button.hovered || button.visualFocus
        onRunningChanged: elapsed = false
        onTriggered: elapsed = true
    }

    // Centred above the button, in the window's top layer so that no scrolling tab clips it.
    Rectangle {
        parent: button.Window.contentItem
        visible: button.isToolTipShown
        readonly property point place: visible ? button.mapToItem(parent, (button.width - width) / 2, -height - 4)
                                               : Qt.point(0, 0)
        x: place.x
        y: place.y
        z: 1000
        width: toolTip.implicitWidth + 12
        height: toolTip.implicitHeight + 8
        radius: 4
        color: "white"
        border.width: 1
        border.color: Colors.line
        Accessible.ignored: true

        Text {
            id: toolTip
            anchors.centerIn: parent
            text: button.text
            font.pixelSize: TextStyle.caption
            color: Colors.ink
        }
    }
}
