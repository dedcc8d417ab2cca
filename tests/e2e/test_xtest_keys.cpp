#include "FakePlatform.h"
#include "KeyReceiverProcess.h"
#include "platform/linux/XTestKeys.h"

#include <QtTest>

// Slide commands through the service and the real XTest backend, on the X display of scripts/test, reach the window
// that holds the focus as arrow key presses.
class TestXTestKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X display: run the suite through scripts/test");
    }

    void slideCommandsReachTheFocusedWindow()
    {
        XTestKeys keys;
        FakePlatform fakes;
        MacRemoteService service(
            { keys, fakes.settings, fakes.interfaces, fakes.peerLink, fakes.httpListeners, fakes.focusedWindow });
        QVERIFY(service.hasAccessibility());

        // Started last: nothing else maps a window that could take the focus from it.
        KeyReceiverProcess receiver;
        QVERIFY(receiver.startAndWaitUntilReady());

        service.executeCommand(RemoteCommand::next);
        QCOMPARE(receiver.nextLine(), "press Right");
        QCOMPARE(receiver.nextLine(), "release Right");
        QCOMPARE(service.statusMessage(), "▶ Slide suivante");

        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(receiver.nextLine(), "press Left");
        QCOMPARE(receiver.nextLine(), "release Left");
        QCOMPARE(service.commandCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestXTestKeys)
#include "test_xtest_keys.moc"
