import QtQuick
import Quorvelantis.Remote

// The one window: fixed width, grows only in height. Its minimum height leaves room for a title bar and a panel on a
// 768-pixel screen at 150 % (512 rows); the tabs scroll.
Window {
    width: 620
    height: Math.max(minimumHeight, Math.min(680, Screen.desktopAvailableHeight))
    minimumWidth: 620
    maximumWidth: 620
    minimumHeight: 480
    visible: true
    title: qsTr("Quorvelantis Remote")
    color: Colors.paper

    // Each appearance of the content, hidden to shown, checks the permission again and restarts its poll; a hidden
    // window polls nothing.
    property bool isShown: false
    onVisibilityChanged: visibility => {
        const shown = visibility !== Window.Hidden;
        if (shown && !isShown)
            RemoteService.startAccessibilityMonitoring();
        else if (!shown && isShown)
            RemoteService.stopAccessibilityMonitoring();
        isShown = shown;
    }

    MacRemoteView {
        anchors.fill: parent
    }

    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: Qt.quit()
    }
}
