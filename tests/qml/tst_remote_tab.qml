import QtQuick
import QtTest
import Quorvelantis.Remote

TestCase {
    id: testCase
    name: "RemoteTab"
    width: 620
    height: 900
    when: windowShown
    visible: true

    // A new view, laid out and drawn, so that clicks land where its items are.
    function make(component, properties) {
        const view = createTemporaryObject(component, testCase, properties || {});
        waitForRendering(view);
        return view;
    }

    // Scrolls the tab so the target is inside the window, then clicks it.
    function click(tab, target) {
        const top = target.mapToItem(tab.contentItem, 0, 0).y;
        tab.contentY = Math.max(0, Math.min(top - 40, tab.contentHeight - tab.height));
        waitForRendering(tab);
        mouseClick(target);
    }

    Component {
        id: remoteTab
        RemoteTab {
            width: 620
            height: 900
        }
    }

    function item(tab, name) {
        const found = findChild(tab, name);
        verify(found, "no item named " + name);
        return found;
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
        // Without the warning the banner is the first element.
        tryCompare(item(tab, "commandBanner"), "y", 0);
    }

    function test_peerPillFollowsTheConnection() {
        const tab = make(remoteTab);
        const pill = item(tab, "peerPill");
        harness.reportPeerState(2, 1);
        tryCompare(findChild(pill, "pillValue"), "text", "iPhone connecté");
        compare(findChild(pill, "pillIcon").symbol, "checkmark.circle.fill");
        compare(findChild(pill, "pillIcon").color, Colors.accent);
        compare(findChild(pill, "pillTitle").text, "Auto");

        harness.reportPeerState(0, 0);
        tryCompare(findChild(pill, "pillValue"), "text", "En attente");
        compare(findChild(pill, "pillIcon").symbol, "circle.dashed");
        compare(findChild(pill, "pillIcon").color, Colors.muted);
        // Only the icon tells the state; the card stays the same.
        compare(pill.color, Colors.surface);
    }

    function test_httpPillIsActiveOnlyWhileReady() {
        const tab = make(remoteTab);
        const pill = item(tab, "httpPill");
        harness.reportHttpState("ready");
        compare(findChild(pill, "pillValue").text, RemoteService.httpStatusMessage);
        verify(RemoteService.httpStatusMessage.startsWith("IP active sur le port "));
        compare(findChild(pill, "pillIcon").color, Colors.accent);
        compare(findChild(pill, "pillTitle").text, "IP");

        harness.reportHttpState("failed");
        verify(findChild(pill, "pillValue").text.endsWith("indisponible"));
        compare(findChild(pill, "pillIcon").color, Colors.muted);
    }

    function test_addressRefreshAndCopy() {
        const tab = make(remoteTab);
        const address = item(tab, "address");

        harness.setInterfaceAddress("192.168.1.20");
        click(tab, item(tab, "refreshButton"));
        compare(address.text, "192.168.1.20");
        compare(address.Accessible.name, "192.168.1.20");
        click(tab, item(tab, "copyButton"));
        compare(harness.clipboardText, "192.168.1.20");

        harness.setInterfaceAddress("");
        click(tab, item(tab, "refreshButton"));
        compare(address.text, "Aucune IP réseau");
        click(tab, item(tab, "copyButton"));
        compare(harness.clipboardText, "Aucune IP réseau");
    }

    function test_bannerLooks() {
        const tab = make(remoteTab);
        const banner = item(tab, "commandBanner");
        const before = RemoteService.commandCount;

        harness.executeCommand("next");
        compare(banner.color, Colors.accent);
        compare(findChild(banner, "commandIcon").symbol, "forward.fill");
        compare(findChild(banner, "commandIcon").color, Qt.color("white"));
        verify(findChild(banner, "countBadge").visible);
        compare(findChild(banner, "countText").text, String(before + 1));
        compare(findChild(banner, "commandMessage").text, RemoteService.lastCommandMessage);
        verify(banner.isFlashing);

        harness.executeCommand("previous");
        compare(findChild(banner, "commandIcon").symbol, "backward.fill");
        compare(findChild(banner, "countText").text, String(before + 2));
        compare(findChild(banner, "countText").Accessible.name, String(before + 2));
    }
}
