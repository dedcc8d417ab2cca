import QtQuick
import Quorvelantis.Remote

ViewTestCase {
    name: "SendTextTab"

    Component {
        id: sendTextTab
        SendTextTab {
            width: 620
            height: 900
        }
    }

    function init() {
        RemoteService.keepDraft("", "");
    }

    function test_entryStateAndBlankText() {
        harness.reportPeerState(0, 0);
        const tab = make(sendTextTab);
        tryVerify(() => item(tab, "peerHint").visible);
        verify(item(tab, "editorPlaceholder").visible);
        compare(item(tab, "wordCounter").text, "0 mots");
        verify(!item(tab, "sendButton").enabled);
        verify(!tab.isTitleFocused && !tab.isTextFocused);
        const card = item(tab, "editorCard");
        verify(card.height >= 220 && card.height <= 370);

        const editor = item(tab, "editor");
        // The placeholder starts exactly where typed text starts.
        compare(item(tab, "editorPlaceholder").mapToItem(editor, 0, 0), Qt.point(editor.positionToRectangle(0).x, editor.positionToRectangle(0).y));
        tab.scriptText = "   \n";
        verify(!item(tab, "editorPlaceholder").visible);
        verify(!item(tab, "sendButton").enabled);
        tab.scriptText = "un deux";
        compare(item(tab, "wordCounter").Accessible.name, "2 mots");
        verify(!item(tab, "sectionCounter").visible);
        tab.scriptText = "un\n---\n \n---\r\ndeux trois\n---";
        compare(item(tab, "sectionCounter").text, "2 sections ·");
        compare(item(tab, "wordCounter").text, "3 mots");

        harness.reportPeerState(2, 1);
        tryVerify(() => !item(tab, "peerHint").visible);
        harness.reportPeerState(0, 0);
        // A phone's browser page asking over HTTP collects the text: no call to open the phone app.
        harness.setPagePolling(true);
        tryVerify(() => !item(tab, "peerHint").visible);
        harness.setPagePolling(false);
        tryVerify(() => item(tab, "peerHint").visible);
    }

    function test_typingAndSending() {
        harness.reportPeerState(0, 0);
        const tab = make(sendTextTab);
        const send = item(tab, "sendButton");
        click(tab, item(tab, "editor"));
        verify(tab.isTextFocused);
        for (const key of "Bonjour")
            keyClick(key);
        compare(item(tab, "wordCounter").text, "1 mot");
        compare(send.fill, Colors.accent);

        click(tab, send);
        const banner = item(tab, "sendStatusBanner");
        tryCompare(banner, "opacity", 1, 1000);
        compare(item(banner, "sendStatusText").text, "✅ Texte prêt — l'iPhone le récupère à la prochaine commande");
        verify(banner.isSuccess);
        tryCompare(banner, "color", Colors.withOpacity(Colors.systemGreen, 0.1), 1000);
        compare(tab.scriptText, "Bonjour"); // the fields keep their content
        tab.title = "Q3";
        const rebuilt = make(sendTextTab);
        compare([rebuilt.title, rebuilt.scriptText], ["Q3", "Bonjour"]);

        harness.reportPeerState(2, 1);
        tryVerify(() => !item(tab, "peerHint").visible);
        const sent = harness.peerSendCount();
        send.forceActiveFocus();
        keyClick(Qt.Key_Return);
        compare(harness.peerSendCount(), sent + 1);
        tryCompare(item(banner, "sendStatusText"), "text", "✅ Texte envoyé à l'iPhone");
        // Delivered: the phone app is not asked for any more, until a new text waits for it.
        harness.reportPeerState(0, 0);
        verify(!item(tab, "peerHint").visible);
        click(tab, send);
        tryVerify(() => item(tab, "peerHint").visible);
    }

    function test_blankTextOverHttpShowsTheWarning() {
        const tab = make(sendTextTab);
        harness.postTextOverHttp("", "  \n ");
        const banner = item(tab, "sendStatusBanner");
        compare(item(banner, "sendStatusText").text, "Texte vide");
        verify(!banner.isSuccess);
        compare(item(banner, "sendStatusIcon").symbol, "exclamationmark.triangle.fill");
        tryCompare(banner, "color", Colors.withOpacity(Colors.systemOrange, 0.1), 1000);
    }
}
