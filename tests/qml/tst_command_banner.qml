import QtQuick
import QtTest
import Quorvelantis.Remote

TestCase {
    id: testCase
    name: "CommandFeedbackBanner"
    width: 400
    height: 200
    when: windowShown
    visible: true

    // A new view, laid out and drawn, so that clicks land where its items are.
    function make(component, properties) {
        const view = createTemporaryObject(component, testCase, properties || {});
        waitForRendering(view);
        return view;
    }

    Component {
        id: banner
        CommandFeedbackBanner {
            width: 400
            lastMessage: "Aucune commande reçue"
        }
    }

    function test_neutralBeforeTheFirstCommand() {
        const card = make(banner, { "commandCount": 0 });
        compare(card.color, Colors.surface);
        compare(card.border.color, Colors.line);
        compare(findChild(card, "commandMessage").color, Colors.muted);
        compare(findChild(card, "commandIcon").symbol, "bolt.horizontal");
        verify(!findChild(card, "countBadge").visible);
    }

    function test_noFlashForTheFirstValueShown() {
        const card = make(banner, { "commandCount": 5, "lastCommand": "next" });
        verify(!card.isFlashing);
        wait(100);
        compare(card.scale, 1.0);
        compare(card.border.color, Colors.accent);
    }

    function test_flashOnEveryCountChange() {
        const card = make(banner, { "commandCount": 1, "lastCommand": "next" });
        for (const count of [2, 3]) {
            card.commandCount = count;
            verify(card.isFlashing);
            tryVerify(() => card.scale > 1.01, 300, "springs up");
            tryCompare(card, "isFlashing", false, 1000);
            tryCompare(card, "scale", 1.0, 2000);
        }
        // A new message alone does not flash.
        card.lastMessage = "◀ Slide précédente";
        verify(!card.isFlashing);
    }

    function test_theFirstResetDueEndsOverlappingFlashes() {
        const card = make(banner, { "commandCount": 1, "lastCommand": "next" });
        card.commandCount = 2;
        wait(120);
        card.commandCount = 3;
        // The first command's reset ends the flash while the second one's is still to come.
        tryCompare(card, "isFlashing", false, 1000);
        compare(card.flashResetsDue.length, 1);
        card.commandCount = 4;
        verify(card.isFlashing);
        // The second command's reset, still due, ends this flash too; the last one's ends nothing more.
        tryCompare(card, "isFlashing", false, 1000);
        tryCompare(card.flashResetsDue, "length", 0, 1000);
        verify(!card.isFlashing);
    }
}
