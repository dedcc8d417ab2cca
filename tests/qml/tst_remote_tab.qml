import QtQuick
import Quorvelantis.Remote

ViewTestCase {
    name: "RemoteTab"

    Component {
        id: remoteTab
        RemoteTab {
            width: 620
            height: 900
        }
    }

    function test_permissionWarningFollowsThePoll() {
        harness.setTrusted(false);
        const tab = make(remoteTab);
        const warning = item(tab, "permissionWarning");
        verify(warning.visible);
        verify(item(tab, "commandBanner").y > warning.height);

        const prompts = harness.promptCount();
        click(tab, item(tab, "grantButton"));
        compare(harness.promptCount(), prompts + 1);

        harness.setTrusted(true);
        verify(!warning.visible);
        tryCompare(item(tab, "commandBanner"), "y", 0);
    }

    function test_permissionTextsNameWhatThisDesktopAsks() {
        harness.setTrusted(false);
        harness.setAccessRequest("none");
        const tab = make(remoteTab);
        verify(!item(tab, "grantButton").visible);
        verify(item(tab, "permissionExplanation").text.startsWith("Extension XTEST absente"));
        verify(!item(tab, "permissionRenewal").visible);

        harness.setAccessRequest("consentEachStart");
        verify(item(tab, "grantButton").visible);
        verify(item(tab, "permissionRenewal").visible);
        compare(item(tab, "accessInstruction").text, "Cliquez sur Autoriser, puis autorisez l'interaction à distance dans la fenêtre du bureau (aucun mot de passe).");
        harness.setAccessRequest("consent");
        verify(!item(tab, "permissionRenewal").visible);
        harness.setAccessRequest("adminPassword");
        compare(item(tab, "accessInstruction").text, "Cliquez sur Autoriser et saisissez le mot de passe administrateur.");
    }

    function test_pillsFollowTheConnectionAndTheListener() {
        const tab = make(remoteTab);
        const peer = item(tab, "peerPill");
        harness.reportPeerState(2, 1);
        tryCompare(item(peer, "pillValue"), "text", "iPhone connecté");
        compare(item(peer, "pillIcon").color, Colors.accent);
        harness.reportPeerState(0, 0);
        tryCompare(item(peer, "pillValue"), "text", "En attente");
        compare(item(peer, "pillIcon").symbol, "circle.dashed");
        compare(item(peer, "pillIcon").color, Colors.muted);

        const http = item(tab, "httpPill");
        harness.reportHttpState("ready");
        compare(item(http, "pillValue").text, RemoteService.httpStatusMessage);
        compare(item(http, "pillIcon").color, Colors.accent);
        harness.reportHttpState("failed");
        verify(item(http, "pillValue").text.endsWith("indisponible"));
        compare(item(http, "pillIcon").color, Colors.muted);
    }

    function test_addressRefreshAndCopy() {
        const tab = make(remoteTab);
        const address = item(tab, "address");
        for (const shown of ["192.168.1.20", "Aucune IP réseau"]) {
            harness.setInterfaceAddress(shown.startsWith("1") ? shown : "");
            click(tab, item(tab, "refreshButton"));
            compare(address.Accessible.name, shown);
            click(tab, item(tab, "copyButton"));
            compare(harness.clipboardText, shown);
        }
    }

    function test_bannerShowsEachCommand() {
        const tab = make(remoteTab);
        const banner = item(tab, "commandBanner");
        const before = RemoteService.commandCount;
        harness.executeCommand("next");
        compare(banner.color, Colors.accent);
        compare(item(banner, "commandIcon").symbol, "forward.fill");
        compare(item(banner, "commandMessage").text, "▶ Slide suivante");
        verify(banner.isFlashing);
        harness.executeCommand("previous");
        compare(item(banner, "commandIcon").symbol, "backward.fill");
        compare(item(banner, "countText").Accessible.name, String(before + 2));
    }

    function test_applyRules() {
        const tab = make(remoteTab);
        const field = item(tab, "portField");
        const apply = item(tab, "applyButton");

        // First launch: the field shows the default port, which is already current.
        compare(field.text, "4777");
        verify(!apply.enabled);
        for (const text of ["65536", "80a", " 80", "", "04777"]) {
            field.text = text;
            verify(!apply.enabled, "enabled for '" + text + "'");
        }

        // 0 differs from the current port, but applying it does nothing.
        const requests = harness.requestedPortCount();
        field.text = "0";
        click(tab, apply);
        compare(harness.requestedPortCount(), requests);

        field.text = "08080";
        click(tab, apply);
        compare(harness.lastRequestedPort(), 8080);
        verify(!apply.enabled);
        harness.reportHttpState("ready");
        compare(item(item(tab, "httpPill"), "pillValue").text, "IP active sur le port 8080");

        // Space and Return press the focused button; Return in the field applies too, but never the current port.
        field.text = "8080";
        field.forceActiveFocus();
        keyClick(Qt.Key_Return);
        compare(harness.requestedPortCount(), requests + 1);
        for (const [target, key, port] of [[apply, Qt.Key_Space, 8081], [apply, Qt.Key_Return, 8083], [field, Qt.Key_Return, 9090]]) {
            field.text = String(port);
            target.forceActiveFocus();
            keyClick(key);
            compare(harness.lastRequestedPort(), port);
        }

        // A refused port while 9090 serves: the field goes back to 9090, and the pill shows the whole text.
        harness.reportHttpState("ready");
        field.text = "8082";
        click(tab, apply);
        harness.reportHttpState("failed");
        compare(field.text, "9090");
        const status = item(item(tab, "httpPill"), "pillValue");
        compare(status.text, "Port 8082 indisponible — IP active sur le port 9090");
        verify(!status.truncated);
        tryVerify(() => status.height >= status.implicitHeight && status.lineCount === 2, 1000, "the whole text, on two lines");

        // A tab shown again shows the current port, once it serves, not what was typed.
        field.text = "1234";
        compare(item(make(remoteTab), "portField").text, "9090");
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
        tryVerify(() => !button.isToolTipShown, 1000, "no tooltip over the overlay");
        const url = "http://192.168.1.20:" + RemoteService.httpPort + "/";
        compare(code.text, url);
        compare(caption.text, url);
        compare(item(tab, "pageUrl").text, url);
        verify(item(tab, "pageUrlHint").visible);
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

        verify(!item(tab, "pageUrl").visible && !item(tab, "pageUrlHint").visible);

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
