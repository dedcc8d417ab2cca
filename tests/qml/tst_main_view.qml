import QtQuick
import QtTest
import Quorvelantis.Remote

TestCase {
    id: testCase
    name: "MacRemoteView"
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

    Component {
        id: mainView
        MacRemoteView {
            width: 620
            height: 900
        }
    }

    function test_tabSwitching() {
        const view = make(mainView);
        const remoteButton = findChild(view, "tab_remote");
        const sendButton = findChild(view, "tab_sendText");
        const content = findChild(view, "tabContent");
        compare(remoteButton.text, "Télécommande");
        compare(sendButton.text, "Envoyer un texte");
        verify(remoteButton.selected && !sendButton.selected);
        compare(remoteButton.tint, Colors.accent);
        compare(sendButton.tint, Colors.muted);
        compare(findChild(remoteButton, "tabUnderline").opacity, 1);
        compare(findChild(sendButton, "tabUnderline").opacity, 0);
        verify(findChild(content.item, "portField"));

        const port = findChild(content.item, "portField");
        port.text = "1234";
        mouseClick(sendButton);
        verify(findChild(content.item, "editor"));
        tryCompare(sendButton, "tint", Colors.accent, 1000);
        compare(remoteButton.tint, Colors.muted);
        compare(findChild(sendButton, "tabUnderline").opacity, 1);
        compare(findChild(remoteButton, "tabUnderline").opacity, 0);

        findChild(content.item, "titleField").text = "Titre";
        content.item.scriptText = "Un texte";
        // Pressing the selected tab again changes nothing.
        mouseClick(sendButton);
        compare(content.item.scriptText, "Un texte");

        // Each tab is built anew: typed text is gone, the port field shows the current port again.
        mouseClick(remoteButton);
        compare(findChild(content.item, "portField").text, String(ViewRules.effectivePort(RemoteService.storedPort())));
        mouseClick(sendButton);
        compare(content.item.scriptText, "");
        compare(content.item.title, "");
    }

    function test_tabsReachableFromTheKeyboard() {
        const view = make(mainView);
        const remoteButton = findChild(view, "tab_remote");
        remoteButton.forceActiveFocus();
        keyClick(Qt.Key_Tab);
        const sendButton = findChild(view, "tab_sendText");
        verify(sendButton.activeFocus);
        keyClick(Qt.Key_Space);
        verify(sendButton.selected);
        compare(sendButton.Accessible.name, "Envoyer un texte");
    }

    // Tabbing from the first tab visits every control of the shown tab, in order, and comes back around.
    function focusChainNames(view) {
        const start = findChild(view, "tab_remote");
        start.forceActiveFocus();
        const names = [];
        for (let step = 0; step < 20; ++step) {
            keyClick(Qt.Key_Tab);
            const focused = testCase.Window.activeFocusItem;
            if (focused === start)
                return names;
            names.push(focused.Accessible.name);
        }
        fail("the focus never came back to the first tab: " + names);
    }

    function test_everyControlReachableWithTab() {
        harness.setTrusted(false);
        const view = make(mainView);
        // Disabled controls take no focus: give "Appliquer" a port it can apply.
        findChild(view, "portField").text = "5000";
        compare(focusChainNames(view), ["Envoyer un texte", "Autoriser", "Copier l'IP", "Rafraîchir", "Port HTTP fallback", "Appliquer", "Télécharger sur l'App Store"]);
        harness.setTrusted(true);

        mouseClick(findChild(view, "tab_sendText"));
        findChild(view, "tabContent").item.scriptText = "Bonjour";
        compare(focusChainNames(view), ["Envoyer un texte", "Titre (optionnel)", "Script / Texte", "Envoyer à l'iPhone"]);
    }

    function test_headerFollowsTheConnection() {
        const view = make(mainView);
        const dot = findChild(view, "statusDot");
        const icon = findChild(view, "connectionIcon");
        harness.reportPeerState(0, 0);
        tryCompare(dot, "color", Colors.withOpacity(Colors.muted, 0.4));
        compare(icon.symbol, "antenna.radiowaves.left.and.right");
        compare(icon.color, Colors.muted);

        harness.reportPeerState(2, 1);
        tryCompare(dot, "color", Colors.systemGreen);
        compare(icon.symbol, "iphone.radiowaves.left.and.right");
        compare(icon.color, Colors.accent);
        compare(findChild(view, "statusLine").text, RemoteService.statusMessage);
        compare(findChild(view, "statusLine").Accessible.name, RemoteService.statusMessage);
        harness.reportPeerState(0, 0);
    }
}
