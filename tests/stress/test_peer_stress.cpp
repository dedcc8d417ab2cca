#include "FakePlatform.h"
#include "StressSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The opening handshake written by hand, so that the peer can then fall silent: no close, no answer to a ping.
std::unique_ptr<QTcpSocket> openSilentPeer(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    socket->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                  "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    QByteArray answer;
    if (!QTest::qWaitFor(
            [&] {
                answer += socket->readAll();
                return answer.contains("\r\n\r\n");
            },
            10000)
        || !answer.startsWith("HTTP/1.1 101"))
        return nullptr;
    return socket;
}

// Opens and ends sessionCount sessions in batches of 20 against a link of its own: closed properly, dropped without
// a close frame, or silent until the link gives up on them; some send next first.
void runSessions(int sessionCount)
{
    constexpr int batchSize = 20;
    NetworkThread network;
    FakePlatform fakes;
    WebSocketPeerLink link(network, { 100ms, 400ms });
    MacRemoteService service(
        { fakes.keys, fakes.permission, fakes.timers, fakes.settings, fakes.interfaces, link, fakes.httpListeners });
    QVERIFY(link.port() != 0);
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1/").arg(link.port()));
    int nextSent = 0;

    for (int first = 0; first < sessionCount; first += batchSize) {
        std::vector<std::unique_ptr<QWebSocket>> clients;
        std::vector<std::unique_ptr<QTcpSocket>> silent;
        for (int index = first; index < first + batchSize; ++index) {
            if (index % 4 == 2) {
                silent.push_back(openSilentPeer(link.port()));
                QVERIFY(silent.back());
                continue;
            }
            clients.push_back(std::make_unique<QWebSocket>());
            clients.back()->open(url);
        }
        for (const auto& client : clients)
            QTRY_COMPARE(client->state(), QAbstractSocket::ConnectedState);
        QTRY_VERIFY(service.isConnected());
        QVERIFY(link.hasConnectedPeers());

        for (std::size_t index = 0; index < clients.size(); ++index) {
            QWebSocket& client = *clients[index];
            if (index % 3 == 0) {
                client.sendBinaryMessage("next");
                client.flush();
                ++nextSent;
            }
            if (index % 3 == 1)
                client.abort(); // gone without a close frame
            else
                client.close();
        }
        // Silent peers keep their sockets open; only the missing answers to pings end them.
        QTRY_VERIFY_WITH_TIMEOUT(!link.hasConnectedPeers(), 10000);
        QTRY_VERIFY(!service.isConnected());
        QCOMPARE(service.statusMessage(), QStringLiteral("En attente de l'iPhone"));
    }
    QTRY_COMPARE(service.commandCount(), nextSent);
    QVERIFY(!service.isConnected());
}

}

class PeerStressTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessionsComeAndGoAndTheLinkEndsDisconnected()
    {
        runSessions(100);
        if (QTest::currentTestFailed())
            return;
        // Measured after a first round, which also starts the process-wide parts of Qt that stay.
        const qsizetype baseline = openDescriptorCount();
        runSessions(100);
        QTRY_COMPARE(openDescriptorCount(), baseline);
    }
};

QTEST_GUILESS_MAIN(PeerStressTest)
#include "test_peer_stress.moc"
