import QtQuick
import QtQuick.Window
import Quorvelantis.Remote

// The one window: fixed width, grows only in height.
Window {
    width: 620
    height: 680
    minimumWidth: 620
    maximumWidth: 620
    minimumHeight: 680
    visible: true
    title: qsTr("Quorvelantis Remote")
    color: Colors.paper

    // Each appearance of the content checks the permission again and restarts its poll.
    onVisibleChanged: if (visible)
        RemoteService.startAccessibilityMonitoring()

    MacRemoteView {
        anchors.fill: parent
    }
}
