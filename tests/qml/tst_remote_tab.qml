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
}
