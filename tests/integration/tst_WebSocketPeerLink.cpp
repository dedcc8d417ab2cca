#include "FakePlatform.h"
#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

using namespace std::chrono_literals;
using State = std::pair<PeerState, int>;

class WebSocketPeerLinkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // First, so that no link of an earlier test is still being torn down while the descriptors are counted.
    void aPeerThatDoesNotReadIsCutOffAndLeavesNothingBehind()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        const qsizetype descriptors = openDescriptorCount();
        auto flooder = openRawPeer(link.port());
        QVERIFY(flooder);
        flooder->setReadBufferSize(1);
        QByteArray pings;
        while (pings.size() < 1024 * 1024)
            pings += clientFrame(0x9, QByteArray(125, 'p'));
        // Each ping gets a pong the peer never reads: well before the 15 s answer timeout, the queue's cap ends it.
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
            if (flooder->bytesToWrite() < 4 * pings.size())
                flooder->write(pings);
            return !events.states.isEmpty() && events.states.last() == State(PeerState::notConnected, 0);
        })(),
            10000);
        flooder.reset();
        QTRY_COMPARE(openDescriptorCount(), descriptors);
    }

    void sessionsReportTheConnectedSetAndBuffersArriveWhole()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        WebSocketPeerLink taken(m_network);
        QVERIFY(link.port() >= PeerSessionServer::firstPort);
        QVERIFY(taken.port() > link.port());

        Client first;
        QVERIFY(first.open(link.port()));
        QTRY_COMPARE(events.states, (QList<State> { { PeerState::connecting, 0 }, { PeerState::connected, 1 } }));
        QByteArray binary;
        for (int i = 0; i < 64 * 1024; ++i)
            binary += char(i * 7);
        first.socket.sendTextMessage(QStringLiteral("next"));
        first.socket.sendBinaryMessage(binary);
        first.socket.sendTextMessage(QStringLiteral("é ✅"));
        QTRY_COMPARE(events.messages, (QList<QByteArray> { "next", binary, QStringLiteral("é ✅").toUtf8() }));

        // A second phone joins; over 1 MiB ends its session alone, then the first leaves.
        Client second;
        QVERIFY(second.open(link.port()));
        QTRY_COMPARE(events.states.size(), 4);
        QCOMPARE(events.states.last(), State(PeerState::connected, 2));
        const QByteArray mebibyte(1024 * 1024, 'a');
        second.socket.sendBinaryMessage(mebibyte);
        second.socket.sendBinaryMessage(mebibyte + 'b');
        QTRY_COMPARE(events.states.size(), 5);
        QCOMPARE(events.states.last(), State(PeerState::notConnected, 1));
        QCOMPARE(events.messages.last().size(), mebibyte.size());
        QCOMPARE(second.socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
        first.socket.close();
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 0));
    }

    void onlyAPeerThatReadAndAnsweredConfirmsADelivery()
    {
        WebSocketPeerLink link(m_network, { 100ms, 600ms });
        LinkEvents events(link);
        link.send(1, "to nobody");
        QTRY_COMPARE(events.undelivered, QList<quint64> { 1 });

        Client answering;
        QVERIFY(answering.open(link.port()));
        auto silent = openRawPeer(link.port());
        QVERIFY(silent);
        QTRY_COMPARE(events.states.size(), 4);
        link.send(2, "to both");
        QTRY_COMPARE(events.delivered, QList<quint64> { 2 });
        QCOMPARE(answering.received, QList<QByteArray> { "to both" });

        answering.socket.close();
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 1));
        link.send(3, "to the silent one");
        // Pongs it was never asked for prove nothing: the silent peer is still taken for gone.
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
            silent->write(clientFrame(0xA, "unasked"));
            return events.states.last() == State(PeerState::notConnected, 0);
        })(),
            5000);
        QCOMPARE(events.undelivered, (QList<quint64> { 1, 3 }));
        QCOMPARE(events.delivered, QList<quint64> { 2 });
    }

    // The real path: a phone on the link on the network thread, the service, the key injector, a text back.
    void phoneDrivesSlidesAndReceivesTexts()
    {
        FakePlatform fakes;
        WebSocketPeerLink link(m_network, { 100ms, 600ms });
        MacRemoteService service({ fakes.keys, fakes.permission, fakes.timers, fakes.settings, fakes.interfaces, link,
            fakes.httpListeners, fakes.focusedWindow });
        Client phone;
        QVERIFY(phone.open(link.port()));
        QTRY_VERIFY(service.isConnected());
        phone.socket.sendTextMessage(QStringLiteral("next"));
        phone.socket.sendBinaryMessage(RemoteMessage::slideCommand(RemoteCommand::previous).encode());
        QTRY_COMPARE(fakes.keys.pressed, (std::vector<Arrow> { Arrow::right, Arrow::left }));

        service.sendText(QStringLiteral("  Note "), QStringLiteral(" Bonjour\n"));
        QTRY_COMPARE(service.textSendStatus(), QStringLiteral("✅ Texte envoyé à l'iPhone"));
        QVERIFY(!service.pendingText());
        QCOMPARE(phone.received,
            QList<QByteArray> {
                RemoteMessage::importText(QStringLiteral("Note"), QStringLiteral("Bonjour")).encode() });

        // A phone gone silent takes no text with it: once its session ends the text waits for HTTP.
        phone.socket.close();
        auto silent = openRawPeer(link.port());
        QVERIFY(silent);
        QTRY_VERIFY(service.isConnected());
        service.sendText(QString(), QStringLiteral("later"));
        QTRY_VERIFY(!service.isConnected());
        QCOMPARE(
            service.textSendStatus(), QStringLiteral("✅ Texte prêt — l'iPhone le récupère à la prochaine commande"));
        QCOMPARE(service.takePendingTextBody(), QByteArray(R"({"title":"Texte du Mac","text":"later"})"));
    }

private:
    NetworkThread m_network;
};

QTEST_GUILESS_MAIN(WebSocketPeerLinkTest)
#include "tst_WebSocketPeerLink.moc"
