import QtQuick
import Quorvelantis.Remote

ViewTestCase {
    name: "CommandFeedbackBanner"

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
        compare(findChild(card, "commandMessage").color, Colors.muted);
        compare(findChild(card, "commandIcon").symbol, "bolt.horizontal");
        verify(!findChild(card, "countBadge").visible);
    }

    function test_flashOnEveryCountChangeButNotTheFirstValue() {
        const card = make(banner, { "commandCount": 1, "lastCommand": "next" });
        verify(!card.isFlashing);
        compare(card.border.color, Colors.accent);
        for (const count of [2, 3]) {
            card.commandCount = count;
            verify(card.isFlashing);
            tryVerify(() => card.scale > 1.01, 300, "springs up");
            tryCompare(card, "isFlashing", false, 1000);
            tryCompare(card, "scale", 1.0, 2000);
        }
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
        card.commandCount = 4;
        verify(card.isFlashing);
        tryCompare(card, "isFlashing", false, 1000);
    }
}
