import QtQuick
import Quorvelantis.Remote

ViewTestCase {
    id: testCase
    name: "MacRemoteView"

    Component {
        id: mainView
        MacRemoteView {
            width: 620
            height: 900
        }
    }

    function test_tabSwitching() {
        const view = make(mainView);
        const remoteButton = item(view, "tab_remote");
        const sendButton = item(view, "tab_sendText");
        const content = item(view, "tabContent");
        verify(remoteButton.selected && !sendButton.selected);

        mouseClick(sendButton);
        tryCompare(sendButton, "tint", Colors.accent, 1000);
        compare(remoteButton.tint, Colors.muted);
        content.item.scriptText = "Un texte";
        // Pressing the selected tab again changes nothing; the text typed survives a switch to the other tab.
        mouseClick(sendButton);
        compare(content.item.scriptText, "Un texte");
        mouseClick(remoteButton);
        verify(findChild(content.item, "portField"));
        mouseClick(sendButton);
        compare(content.item.scriptText, "Un texte");
        content.item.scriptText = "";
    }

    // Tabbing from the first tab visits every control of the shown tab, in order, and comes back around.
    function focusChainNames(view) {
        const start = item(view, "tab_remote");
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

    function test_everyControlReachableFromTheKeyboard() {
        harness.setTrusted(false);
        const view = make(mainView);
        // Disabled controls take no focus: give "Appliquer" a port it can apply.
        item(view, "portField").text = "5000";
        compare(focusChainNames(view), ["Envoyer un texte", "Autoriser", "Copier l'IP", "Code QR", "Rafraîchir", "Seulement les téléphones invités", "Port HTTP fallback", "Appliquer", "Télécharger sur l'App Store"]);
        harness.setTrusted(true);

        item(view, "tab_sendText").forceActiveFocus();
        keyClick(Qt.Key_Space);
        // The empty editor lets the focus go on past the disabled send button.
        compare(focusChainNames(view), ["Envoyer un texte", "Titre (optionnel)", "Script / Texte"]);
        item(view, "tabContent").item.scriptText = "Bonjour";
        compare(focusChainNames(view), ["Envoyer un texte", "Titre (optionnel)", "Script / Texte", "Envoyer à l'iPhone"]);
    }

    function test_headerFollowsTheConnection() {
        const view = make(mainView);
        const dot = item(view, "statusDot");
        const icon = item(view, "connectionIcon");
        harness.reportPeerState(2, 1);
        tryCompare(dot, "color", Colors.systemGreen);
        compare(icon.symbol, "iphone.radiowaves.left.and.right");
        compare(item(view, "statusLine").Accessible.name, "iPhone connecté");
        harness.reportPeerState(0, 0);
        tryCompare(dot, "color", Colors.withOpacity(Colors.muted, 0.4));
        compare(icon.symbol, "antenna.radiowaves.left.and.right");
    }
}
