import QtQuick
import QtTest
import Quorvelantis.Remote

ViewTestCase {
    name: "QrOverlay"

    Component {
        id: remoteTab
        RemoteTab {
            width: 620
            height: 900
        }
    }

    function test_codeFollowsAddressAndPortOrSaysWhyThereIsNone() {
        const tab = make(remoteTab);
        const overlay = item(tab, "qrOverlay");
        const code = item(overlay, "qrCode");
        const caption = item(overlay, "qrCaption");
        harness.setInterfaceAddress("192.168.1.20");
        RemoteService.refreshLocalIPAddress();
        harness.reportHttpState("ready");
        const button = item(tab, "qrButton");
        click(tab, button);
        tryCompare(overlay, "opened", true);
        // The tooltip shows only while the button is hovered or focused by the keyboard.
        tryVerify(() => !button.hovered && !button.visualFocus, 1000, "no tooltip over the overlay");
        const url = "http://192.168.1.20:" + RemoteService.httpPort + "/";
        compare(code.text, url);
        compare(caption.text, url);
        compare(item(tab, "pageUrl").text, url);
        verify(code.visible && code.moduleCount >= 21 + 2 * 4, "a symbol with its quiet zone");

        // A new port, once its listener is ready, and a new address change the code while it is shown.
        RemoteService.applyPort(8123);
        harness.reportHttpState("ready");
        harness.setInterfaceAddress("10.0.0.7");
        RemoteService.refreshLocalIPAddress();
        compare(code.text, "http://10.0.0.7:8123/");

        harness.reportHttpState("failed");
        verify(!code.visible);
        verify(caption.text.startsWith("Le serveur HTTP n'est pas actif (Port 8123 indisponible)"), caption.text);
        harness.setInterfaceAddress("");
        RemoteService.refreshLocalIPAddress();
        verify(caption.text.startsWith("Aucune IP réseau : "), caption.text);

        verify(!item(tab, "pageUrl").visible);

        // Closing gives the focus back to the button, so Tab goes on from there.
        keyClick(Qt.Key_Escape);
        tryCompare(overlay, "opened", false);
        verify(button.activeFocus);
        overlay.open();
        tryCompare(overlay, "opened", true);
        mouseClick(caption);
        tryCompare(overlay, "opened", false);
        verify(button.activeFocus);
    }
}
