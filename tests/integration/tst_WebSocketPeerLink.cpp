#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QWebSocket>
#include <memory>

using namespace std::chrono_literals;
using StateSeen = RecordingPeerDelegate::StateSeen;

namespace {

// The opening handshake written by hand, so that the peer can then fall silent and never answer a ping.
std::unique_ptr<QTcpSocket> openSilentPeer(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket->waitForConnected(5000))
        return nullptr;
    socket->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    QByteArray answer;
    while (!answer.contains("\r\n\r\n") && socket->waitForReadyRead(5000))
        answer += socket->readAll();
    if (!answer.startsWith("HTTP/1.1 101"))
        return nullptr;
    return socket;
}

} // namespace

class WebSocketPeerLinkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void invitationConnectsAndBuffersArriveWhole()
    {
        WebSocketPeerLink link(m_network);
        RecordingPeerDelegate delegate(link);
        QVERIFY(link.port() != 0);

        Client client;
        QVERIFY(client.open(link.port()));
        QTRY_COMPARE(delegate.states, (QList<StateSeen> { { 1, false }, { 2, true } }));
        QVERIFY(link.hasConnectedPeers());

        QByteArray binary(64 * 1024, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i * 7);
        client.socket.sendTextMessage(QStringLiteral("next"));
        client.socket.sendTextMessage(QStringLiteral(R"({"slideCommand":{"_0":"next"}})"));
        client.socket.sendBinaryMessage(binary);
        client.socket.sendTextMessage(QStringLiteral("é ✅"));
        QTRY_COMPARE(delegate.buffers,
            (QList<QByteArray> {
                "next", R"({"slideCommand":{"_0":"next"}})", binary, QStringLiteral("é ✅").toUtf8() }));

        const QByteArray importText = QStringLiteral(R"({"importText":{"title":"T","text":"Bonjour ✅"}})").toUtf8();
        QVERIFY(link.sendToConnectedPeers(importText));
        QTRY_COMPARE(client.received, QList<QByteArray> { importText });

        // The phone leaves, then comes back with no action on the desktop.
        client.socket.close();
        QTRY_COMPARE(delegate.states.size(), 3);
        QCOMPARE(delegate.states.last(), (StateSeen { 0, false }));
        QVERIFY(!link.sendToConnectedPeers(importText));

        Client again;
        QVERIFY(again.open(link.port()));
        QTRY_COMPARE(delegate.states.size(), 5);
        QCOMPARE(delegate.states.mid(3), (QList<StateSeen> { { 1, false }, { 2, true } }));
        again.socket.sendTextMessage(QStringLiteral("previous"));
        QTRY_COMPARE(delegate.buffers.last(), QByteArray("previous"));
        QVERIFY(link.sendToConnectedPeers("x"));
        QTRY_COMPARE(again.received, QList<QByteArray> { "x" });
    }

    void refusedInvitationConnectsNothing()
    {
        WebSocketPeerLink link(m_network);
        RecordingPeerDelegate delegate(link);
        delegate.accepts = false;

        Client client;
        QSignalSpy connected(&client.socket, &QWebSocket::connected);
        QSignalSpy disconnected(&client.socket, &QWebSocket::disconnected);
        client.socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(link.port())));
        QVERIFY(disconnected.wait(5000));
        QCOMPARE(connected.count(), 0);
        QTest::qWait(100);
        QVERIFY(delegate.states.isEmpty());
        QVERIFY(!link.hasConnectedPeers());
    }

    void onePeerLeavingKeepsTheOther()
    {
        WebSocketPeerLink link(m_network);
        RecordingPeerDelegate delegate(link);

        Client first;
        Client second;
        QVERIFY(first.open(link.port()));
        QVERIFY(second.open(link.port()));
        QTRY_COMPARE(delegate.states.size(), 4);

        first.socket.close();
        QTRY_COMPARE(delegate.states.size(), 5);
        QCOMPARE(delegate.states.last(), (StateSeen { 0, true }));
        QVERIFY(link.hasConnectedPeers());
        QVERIFY(link.sendToConnectedPeers("to the one left"));
        QTRY_COMPARE(second.received, QList<QByteArray> { "to the one left" });
        QVERIFY(first.received.isEmpty());
    }

    void oversizeMessageEndsOnlyItsSession()
    {
        WebSocketPeerLink link(m_network);
        RecordingPeerDelegate delegate(link);

        Client large;
        Client other;
        QVERIFY(large.open(link.port()));
        QVERIFY(other.open(link.port()));
        QTRY_COMPARE(delegate.states.size(), 4);

        const QByteArray mebibyte(1024 * 1024, 'a');
        large.socket.sendBinaryMessage(mebibyte);
        QTRY_COMPARE(delegate.buffers.size(), 1);
        QCOMPARE(delegate.buffers.first().size(), mebibyte.size());

        QSignalSpy closed(&large.socket, &QWebSocket::disconnected);
        large.socket.sendBinaryMessage(mebibyte + 'b');
        QVERIFY(closed.wait(5000));
        QCOMPARE(large.socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
        QTRY_COMPARE(delegate.states.size(), 5);
        QCOMPARE(delegate.states.last(), (StateSeen { 0, true }));

        other.socket.sendTextMessage(QStringLiteral("next"));
        QTRY_COMPARE(delegate.buffers.size(), 2);
        QCOMPARE(delegate.buffers.last(), QByteArray("next"));
        QCOMPARE(other.socket.state(), QAbstractSocket::ConnectedState);
    }

    void silentPeerIsReaped()
    {
        WebSocketPeerLink link(m_network, { 100ms, 600ms });
        RecordingPeerDelegate delegate(link);

        Client answering;
        QVERIFY(answering.open(link.port()));
        auto silent = openSilentPeer(link.port());
        QVERIFY(silent);
        QTRY_COMPARE(delegate.states.size(), 4);

        QTRY_COMPARE_WITH_TIMEOUT(delegate.states.size(), 5, 5000);
        QCOMPARE(delegate.states.last(), (StateSeen { 0, true }));
        QTRY_COMPARE(silent->state(), QAbstractSocket::UnconnectedState);
        // A peer that answers the pings stays well past the timeout.
        QTest::qWait(1500);
        QCOMPARE(delegate.states.size(), 5);
        QCOMPARE(answering.socket.state(), QAbstractSocket::ConnectedState);
    }

    void clearedDelegateHearsNothingMore()
    {
        WebSocketPeerLink link(m_network);
        // Holds the network thread inside a delegate call, to see that clearing waits for it.
        struct SlowDelegate : RecordingPeerDelegate {
            using RecordingPeerDelegate::RecordingPeerDelegate;
            std::atomic<bool> inCall = false;
            std::atomic<int> calls = 0;
            void peerDidReceiveData(const QByteArray&) override
            {
                ++calls;
                inCall = true;
                QThread::msleep(300);
                inCall = false;
            }
            void peerDidChangeState(int) override { ++calls; }
        } delegate(link);

        Client client;
        QVERIFY(client.open(link.port()));
        QTRY_COMPARE(delegate.calls.load(), 2);
        client.socket.sendTextMessage(QStringLiteral("next"));
        QTRY_VERIFY(delegate.inCall);
        link.setDelegate(nullptr);
        QVERIFY(!delegate.inCall);

        client.socket.sendTextMessage(QStringLiteral("next"));
        client.socket.close();
        QTRY_VERIFY(!link.hasConnectedPeers());
        QTest::qWait(100);
        QCOMPARE(delegate.calls.load(), 3);
    }

    // This test runs without a system bus: advertising fails once, and the sessions are served all the same.
    void advertisingWithoutSystemBusFailsOnceAndSessionsGoOn()
    {
        QVERIFY(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS").contains(QStringLiteral("nonexistent")));
        WebSocketPeerLink link(m_network);
        RecordingPeerDelegate delegate(link);
        link.startAdvertising(QStringLiteral("Quorvelantis Mac"), QStringLiteral("quorvelantis"));
        QTRY_COMPARE(delegate.advertisingFailures, 1);

        Client client;
        QVERIFY(client.open(link.port()));
        client.socket.sendTextMessage(QStringLiteral("next"));
        QTRY_COMPARE(delegate.buffers, QList<QByteArray> { "next" });
        // Past the first retry: still one report.
        QTest::qWait(2500);
        QCOMPARE(delegate.advertisingFailures, 1);
    }

private:
    NetworkThread m_network;
};

QTEST_GUILESS_MAIN(WebSocketPeerLinkTest)
#include "tst_WebSocketPeerLink.moc"
