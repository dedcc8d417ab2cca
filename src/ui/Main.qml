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

    // Each appearance of the content, hidden to shown, checks the permission again and restarts its poll.
    property bool isShown: false
    onVisibilityChanged: visibility => {
        const shown = visibility !== Window.Hidden;
        if (shown && !isShown)
            RemoteService.startAccessibilityMonitoring();
        isShown = shown;
    }

    MacRemoteView {
        anchors.fill: parent
    }
}
