#include "FakePlatform.h"
#include "platform/linux/PendingKeyChoice.h"
#include "platform/linux/WaylandKeyChoice.h"

#include <QtTest>

Q_DECLARE_METATYPE(WaylandKeyBackend)

class TestWaylandKeyChoice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void backendForWhatTheSessionOffers_data()
    {
        QTest::addColumn<bool>("uinputWritable");
        QTest::addColumn<bool>("virtualKeyboard");
        QTest::addColumn<bool>("portalKeyboard");
        QTest::addColumn<WaylandKeyBackend>("expected");
        const auto row = [](const char* name, bool uinput, bool virtualKeyboard, bool portal, WaylandKeyBackend to) {
            QTest::newRow(name) << uinput << virtualKeyboard << portal << to;
        };
        row("uinput already granted wins", true, true, true, WaylandKeyBackend::uinput);
        row("wlroots compositor before the portal", false, true, true, WaylandKeyBackend::virtualKeyboard);
        row("GNOME or Plasma portal", false, false, true, WaylandKeyBackend::remoteDesktopPortal);
        row("nothing offered: uinput with its grant", false, false, false, WaylandKeyBackend::uinput);
    }

    void backendForWhatTheSessionOffers()
    {
        QFETCH(bool, uinputWritable);
        QFETCH(bool, virtualKeyboard);
        QFETCH(bool, portalKeyboard);
        QFETCH(WaylandKeyBackend, expected);
        QCOMPARE(chooseWaylandKeys({ uinputWritable, virtualKeyboard, portalKeyboard }).backend, expected);
    }

    void pendingChoiceHoldsTheGrantRequestUntilChosen()
    {
        PendingKeyChoice choice;
        PendingKeyPermission permission(choice);
        QVERIFY(!permission.isTrusted());
        QVERIFY(!choice.pressArrow(Arrow::right));
        permission.requestPrompt(); // "Autoriser" clicked while the portal has not answered yet

        auto keys = std::make_unique<FakeKeys>();
        auto chosenPermission = std::make_unique<FakePermission>();
        FakeKeys& pressed = *keys;
        FakePermission& asked = *chosenPermission;
        choice.choose({ std::move(keys), std::move(chosenPermission) });
        QCOMPARE(asked.calls, QStringList { "prompt" });
        QVERIFY(permission.isTrusted());
        QVERIFY(choice.pressArrow(Arrow::left));
        QCOMPARE(pressed.pressed, std::vector<Arrow> { Arrow::left });
    }
};

QTEST_GUILESS_MAIN(TestWaylandKeyChoice)
#include "test_wayland_key_choice.moc"
