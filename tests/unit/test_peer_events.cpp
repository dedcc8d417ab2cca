#include "FakePlatform.h"

#include <QSignalSpy>
#include <QTest>

class TestPeerEvents : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stateTableWithSeveralPhones()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        PeerLinkDelegate* link = fake.peerLink.delegate;
        QVERIFY(link->shouldAcceptInvitation());

        link->peerDidChangeState(1);
        QTRY_COMPARE(service.statusMessage(), QStringLiteral("Connexion iPhone..."));
        QCOMPARE(service.isConnected(), false);

        fake.peerLink.connectedPeers = 1;
        link->peerDidChangeState(2);
        QTRY_COMPARE(service.statusMessage(), QStringLiteral("iPhone connecté"));
        QCOMPARE(service.isConnected(), true);

        // A second phone joins, then one of the two leaves: still connected.
        fake.peerLink.connectedPeers = 2;
        link->peerDidChangeState(2);
        fake.peerLink.connectedPeers = 1;
        link->peerDidChangeState(0);
        QTest::qWait(0);
        QCoreApplication::processEvents();
        QCOMPARE(service.isConnected(), true);
        QCOMPARE(service.statusMessage(), QStringLiteral("iPhone connecté"));

        fake.peerLink.connectedPeers = 0;
        link->peerDidChangeState(0);
        QTRY_COMPARE(service.statusMessage(), QStringLiteral("En attente de l'iPhone"));
        QCOMPARE(service.isConnected(), false);

        // An unknown state: not connected, text kept.
        fake.peerLink.connectedPeers = 1;
        link->peerDidChangeState(2);
        QTRY_COMPARE(service.isConnected(), true);
        fake.peerLink.connectedPeers = 0;
        link->peerDidChangeState(7);
        QTRY_COMPARE(service.isConnected(), false);
        QCOMPARE(service.statusMessage(), QStringLiteral("iPhone connecté"));
    }

    void dataRunsCommandsAndDropsTheRest()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QSignalSpy status(&service, &MacRemoteService::statusMessageChanged);
        PeerLinkDelegate* link = fake.peerLink.delegate;

        for (const QByteArray& ignored : { QByteArray(R"({"importText":{"title":"T","text":"X"}})"), QByteArray(),
                 QByteArray("garbage"), QByteArray("\xc3\x28") })
            link->peerDidReceiveData(ignored);
        link->peerDidReceiveData("next");
        QTRY_COMPARE(service.commandCount(), 1);
        QCOMPARE(status.count(), 1);
        QCOMPARE(service.textSendStatus(), std::nullopt);

        link->peerDidReceiveData(R"({"slideCommand":{"_0":"previous"}})");
        QTRY_COMPARE(service.commandCount(), 2);
        QCOMPARE(service.lastCommand(), RemoteCommand::previous);
        QCOMPARE(fake.keys.pressed.size(), 2u);
    }

    void advertisingFailureIsShown()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        fake.peerLink.delegate->advertisingDidFail();
        QTRY_COMPARE(service.statusMessage(), QStringLiteral("Partage indisponible"));
        QCOMPARE(service.isConnected(), false);
    }
};

QTEST_GUILESS_MAIN(TestPeerEvents)
#include "test_peer_events.moc"
