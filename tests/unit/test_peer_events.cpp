#include "FakePlatform.h"

#include <QRegularExpression>
#include <QTest>

class TestPeerEvents : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void peerEventsDriveTheHeaderAndTheSlides()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        const QString connecting = QStringLiteral("Connexion iPhone...");
        const QString connected = QStringLiteral("iPhone connecté");
        // Each row: the event, then the header and isConnected it leaves.
        const struct {
            PeerState state;
            int connectedPeers;
            QString status;
            bool isConnected;
        } rows[] = {
            { PeerState::connecting, 0, connecting, false },
            { PeerState::connected, 1, connected, true },
            // A second phone whose handshake fails while the first stays.
            { PeerState::connecting, 1, connecting, true },
            { PeerState::notConnected, 1, connected, true },
            { PeerState::connected, 2, connected, true },
            { PeerState::notConnected, 1, connected, true },
            { PeerState::notConnected, 0, QStringLiteral("En attente de l'iPhone"), false },
            { PeerState::connected, 1, connected, true },
        };
        for (const auto& row : rows) {
            Q_EMIT fake.peerLink.peerStateChanged(row.state, row.connectedPeers);
            QCOMPARE(service.statusMessage(), row.status);
            QCOMPARE(service.isConnected(), row.isConnected);
        }

        // "Partage indisponible" gives way once published again, another part's text does not.
        Q_EMIT fake.peerLink.advertisingFailed();
        QCOMPARE(service.statusMessage(), QStringLiteral("Partage indisponible"));
        QCOMPARE(service.isConnected(), true);
        Q_EMIT fake.peerLink.advertisingSucceeded();
        QCOMPARE(service.statusMessage(), connected);

        // What a hostile peer sends must not reach the journal.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        for (const QByteArray& data :
            { QByteArray(R"({"importText":{"title":"T","text":"X"}})"), QByteArray(), QByteArray("garbage"),
                QByteArray("\xc3\x28"), QByteArray("next"), QByteArray(R"({"slideCommand":{"_0":"previous"}})") })
            Q_EMIT fake.peerLink.messageReceived(data);
        QCOMPARE(fake.keys.pressed, (std::vector<Arrow> { Arrow::right, Arrow::left }));
        QCOMPARE(service.textSendStatus(), std::nullopt);
        const QString commandText = service.statusMessage();
        Q_EMIT fake.peerLink.advertisingSucceeded();
        QCOMPARE(service.statusMessage(), commandText);
    }

    void textStaysPendingUntilAPhoneConfirmsIt()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::connected, 2);
        service.sendText(QStringLiteral("T"), QStringLiteral("X"));
        QCOMPARE(fake.peerLink.sent.size(), 1u);

        // The phones it went to left unconfirmed while one stays: it goes again, to that one.
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::notConnected, 1);
        Q_EMIT fake.peerLink.undelivered(fake.peerLink.sent.back().first);
        QCOMPARE(fake.peerLink.sent.size(), 2u);
        QCOMPARE(fake.peerLink.sent[1].second, fake.peerLink.sent[0].second);

        // No phone left: pending for HTTP, or for the next phone to connect.
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::notConnected, 0);
        Q_EMIT fake.peerLink.undelivered(fake.peerLink.sent.back().first);
        QCOMPARE(fake.peerLink.sent.size(), 2u);
        QCOMPARE(service.pendingText()->text, QStringLiteral("X"));
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::connected, 1);
        QCOMPARE(fake.peerLink.sent.size(), 3u);

        // Taken over HTTP meanwhile: a late confirmation leaves a newer text pending.
        QVERIFY(service.takePendingTextBody());
        const quint64 late = fake.peerLink.sent.back().first;
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::notConnected, 0);
        service.sendText(QStringLiteral("T"), QStringLiteral("newer"));
        Q_EMIT fake.peerLink.delivered(late);
        QCOMPARE(service.pendingText()->text, QStringLiteral("newer"));
        QCOMPARE(
            service.textSendStatus(), QStringLiteral("✅ Texte prêt — l'iPhone le récupère à la prochaine commande"));
    }
};

QTEST_GUILESS_MAIN(TestPeerEvents)
#include "test_peer_events.moc"
