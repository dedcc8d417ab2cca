import QtQuick
import QtTest
import Quorvelantis.Remote

TestCase {
    id: testCase
    name: "SendTextTab"
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
        id: sendTextTab
        SendTextTab {
            width: 620
            height: 900
        }
    }

    Component {
        id: statusBanner
        SendStatusBanner {
            width: 400
        }
    }

    function test_entryState() {
        harness.reportPeerState(0, 0);
        const tab = make(sendTextTab);
        tryVerify(() => findChild(tab, "peerHint").visible);
        verify(findChild(tab, "editorPlaceholder").visible);
        compare(findChild(tab, "wordCounter").text, "0 mots");
        verify(!findChild(tab, "sendButton").enabled);
        compare(findChild(tab, "sendButton").fill, Colors.withOpacity(Colors.muted, 0.3));
        verify(!tab.isTitleFocused && !tab.isTextFocused);
        const card = findChild(tab, "editorCard");
        verify(card.height >= 220 && card.height <= 370);

        harness.reportPeerState(2, 1);
        tryVerify(() => !findChild(tab, "peerHint").visible);
        harness.reportPeerState(0, 0);
        tryVerify(() => findChild(tab, "peerHint").visible);
    }

    function test_blankTextCannotBeSent() {
        const tab = make(sendTextTab);
        tab.scriptText = "   \n";
        verify(!findChild(tab, "editorPlaceholder").visible);
        compare(findChild(tab, "wordCounter").text, "0 mots");
        verify(!findChild(tab, "sendButton").enabled);
    }

    function test_wordCounter_data() {
        return [
            { tag: "one word", text: "Bonjour", shown: "1 mot" },
            { tag: "three words", text: "un deux trois", shown: "3 mots" },
            { tag: "two lines", text: "un\ndeux", shown: "1 mot" },
            { tag: "a tab", text: "un\tdeux", shown: "1 mot" },
            { tag: "runs of spaces", text: "  un   deux ", shown: "2 mots" }
        ];
    }

    function test_wordCounter(data) {
        const tab = make(sendTextTab);
        tab.scriptText = data.text;
        compare(findChild(tab, "wordCounter").text, data.shown);
        compare(findChild(tab, "wordCounter").Accessible.name, data.shown);
    }

    function test_typingAndSending() {
        harness.reportPeerState(0, 0);
        const tab = make(sendTextTab);
        const editor = findChild(tab, "editor");
        const send = findChild(tab, "sendButton");
        click(tab, editor);
        verify(tab.isTextFocused);
        for (const key of "Bonjour")
            keyClick(key);
        compare(findChild(tab, "wordCounter").text, "1 mot");
        verify(send.enabled);
        compare(send.fill, Colors.accent);

        click(tab, send);
        compare(RemoteService.textSendStatus, "✅ Texte prêt — l'iPhone le récupère à la prochaine commande");
        const banner = findChild(tab, "sendStatusBanner");
        tryCompare(banner, "opacity", 1, 1000);
        verify(banner.isSuccess);
        compare(findChild(banner, "sendStatusIcon").symbol, "checkmark.circle.fill");
        compare(findChild(banner, "sendStatusText").Accessible.name, RemoteService.textSendStatus);
        // The fields keep their content.
        compare(tab.scriptText, "Bonjour");

        harness.reportPeerState(2, 1);
        tryVerify(() => !findChild(tab, "peerHint").visible);
        const sent = harness.peerSendCount();
        send.forceActiveFocus();
        keyClick(Qt.Key_Return);
        compare(harness.peerSendCount(), sent + 1);
        compare(findChild(banner, "sendStatusText").text, "✅ Texte envoyé à l'iPhone");
        harness.reportPeerState(0, 0);
    }

    function test_blankTextOverHttpShowsTheWarning() {
        const tab = make(sendTextTab);
        harness.postTextOverHttp("", "  \n ");
        const banner = findChild(tab, "sendStatusBanner");
        compare(findChild(banner, "sendStatusText").text, "Texte vide");
        verify(!banner.isSuccess);
        compare(findChild(banner, "sendStatusIcon").symbol, "exclamationmark.triangle.fill");
        compare(findChild(banner, "sendStatusIcon").color, Colors.systemOrange);
        tryCompare(banner, "color", Colors.withOpacity(Colors.systemOrange, 0.1), 1000);
    }

    function test_statusLooks_data() {
        return [
            { tag: "sent", message: "✅ Texte envoyé à l'iPhone", success: true },
            { tag: "ready", message: "✅ Texte prêt — l'iPhone le récupère à la prochaine commande", success: true },
            { tag: "check mark inside", message: "Fin ✅", success: true },
            { tag: "empty text", message: "Texte vide", success: false }
        ];
    }

    function test_statusLooks(data) {
        const banner = make(statusBanner, { "message": data.message });
        compare(banner.isSuccess, data.success);
        compare(banner.color, Colors.withOpacity(data.success ? Colors.systemGreen : Colors.systemOrange, 0.1));
        compare(findChild(banner, "sendStatusText").text, data.message);
    }
}
