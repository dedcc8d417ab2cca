import QtQuick
import Quorvelantis.Remote

// The scroll bar along the right edge of a Flickable, shown while its content is taller than it: dragging the handle
// scrolls, a press on the track moves a page.
Item {
    id: bar

    required property Flickable flickable
    readonly property real hiddenHeight: Math.max(0, flickable.contentHeight - flickable.height)

    function scrollTo(contentY) {
        flickable.contentY = Math.max(0, Math.min(hiddenHeight, contentY));
    }

    // On the Flickable itself, not on its content, so it stays put while the content scrolls.
    parent: flickable
    anchors.top: parent.top
    anchors.bottom: parent.bottom
    anchors.right: parent.right
    width: 10
    visible: hiddenHeight > 0
    Accessible.role: Accessible.ScrollBar

    Rectangle {
        id: handle
        x: 2
        y: bar.flickable.visibleArea.yPosition * bar.height
        width: bar.width - 4
        height: bar.flickable.visibleArea.heightRatio * bar.height
        radius: width / 2
        color: drag.pressed ? Colors.muted : Colors.withOpacity(Colors.muted, 0.5)
    }

    MouseArea {
        id: drag
        // Where in the handle the press took it, or -1 for a press on the track.
        property real grabY: -1

        anchors.fill: parent
        onPressed: mouse => {
            const onHandle = mouse.y >= handle.y && mouse.y < handle.y + handle.height;
            grabY = onHandle ? mouse.y - handle.y : -1;
            if (!onHandle)
                bar.scrollTo(bar.flickable.contentY + (mouse.y < handle.y ? -1 : 1) * bar.flickable.height);
        }
        onPositionChanged: mouse => {
            if (grabY >= 0)
                bar.scrollTo((mouse.y - grabY) / bar.height * bar.flickable.contentHeight);
        }
    }
}
