#include "KeyReceiverProcess.h"
#include "platform/linux/XTestKeys.h"

#include <QtTest>

// Real key events through XTest on the X display of scripts/test reach the window that holds the focus.
class TestXTestKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display: run the suite through scripts/test");
    }

    void arrowKeysReachTheFocusedWindow()
    {
        auto display = std::make_shared<XTestDisplay>();
        XTestPermission permission(display);
        XTestKeyPoster poster(display);
        QVERIFY(permission.isTrusted());
        QVERIFY(!poster.makeKeyEvent(125, true));

        KeyReceiverProcess receiver;
        QVERIFY(receiver.startAndWaitUntilReady());

        for (const auto& [macKeyCode, isDown] :
            { std::pair { 124, true }, { 124, false }, { 123, true }, { 123, false } })
            poster.post(*poster.makeKeyEvent(macKeyCode, isDown));
        QCOMPARE(receiver.nextLine(), "press Right");
        QCOMPARE(receiver.nextLine(), "release Right");
        QCOMPARE(receiver.nextLine(), "press Left");
        QCOMPARE(receiver.nextLine(), "release Left");
    }
};

QTEST_GUILESS_MAIN(TestXTestKeys)
#include "test_xtest_keys.moc"
