#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

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
        // The first free ports from 4778 up; a link of the previous test may still be letting its port go, so the
        // second is not always the higher one.
        for (const quint16 port : { link.port(), taken.port() })
            QVERIFY(port >= PeerSessionServer::firstPort && port < PeerSessionServer::firstPort + 8);
        QVERIFY(taken.port() != link.port());

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
        // Pongs it was never asked for, and messages, prove nothing: the silent peer is still taken for gone.
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
            silent->write(clientFrame(0xA, "unasked") + clientFrame(0x1, "junk"));
            return events.states.last() == State(PeerState::notConnected, 0);
        })(),
            5000);
        QCOMPARE(events.undelivered, (QList<quint64> { 1, 3 }));
        QCOMPARE(events.delivered, QList<quint64> { 2 });

        // A text in flight to a peer that may be dead also goes to one that joins.
        auto zombie = openRawPeer(link.port());
        QVERIFY(zombie);
        QTRY_COMPARE(events.states.last(), State(PeerState::connected, 1));
        link.send(4, "to whoever reads");
        Client late;
        QVERIFY(late.open(link.port()));
        QTRY_COMPARE(events.delivered, (QList<quint64> { 2, 4 }));
        QCOMPARE(late.received, QList<QByteArray> { "to whoever reads" });
    }

    void onlyOriginsNamingThisMachineAndHandshakesAreBounded()
    {
        WebSocketPeerLink link(m_network, { 100ms, 600ms, 300ms });
        link.setPagePort(4777);
        QVERIFY(!openRawPeer(link.port(), "Origin: http://evil.example\r\n"));
        QVERIFY(!openRawPeer(link.port(), "Origin: http://127.0.0.1:8000\r\n"));
        QVERIFY(!openRawPeer(link.port(), "Origin: null\r\n"));
        QVERIFY(openRawPeer(link.port(), "Origin: http://127.0.0.1:4777\r\n"));
        // What Starscream, the iPhone's common client, sends: the endpoint it connects to.
        QVERIFY(openRawPeer(link.port(), "Origin: ws://127.0.0.1:" + QByteArray::number(link.port()) + "\r\n"));

        // Idle, unfinished or oversized handshakes, up to the session cap; the one beyond it is refused at once.
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (std::size_t index = 0; index <= PeerSessionServer::maxSessions; ++index) {
            held.push_back(std::make_unique<QTcpSocket>());
            held.back()->connectToHost(QStringLiteral("127.0.0.1"), link.port());
            QVERIFY(held.back()->waitForConnected(5000));
            held.back()->write(index % 2 ? "GET / HTTP/1.1\r\n" : QByteArray(16 * 1024, 'h'));
        }
        QVERIFY(held.back()->waitForDisconnected(5000));
        // The deadline ends the rest.
        for (const auto& socket : held)
            QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    }

    void aPeerSendingWithoutPauseIsCutOffWithItsMessagesInOrder()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        auto flooder = openRawPeer(link.port());
        QVERIFY(flooder);
        QByteArray frames;
        QList<QByteArray> sent;
        for (int index = 0; index < 4 * PeerSessionServer::maxMessagesWaiting; ++index) {
            sent.append("m" + QByteArray::number(index));
            frames += clientFrame(0x1, sent.last());
        }
        // All of it sent while this thread, the one taking the messages, is busy.
        flooder->write(frames);
        QVERIFY(flooder->waitForBytesWritten(5000));
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 0));
        QVERIFY(events.messages.size() <= PeerSessionServer::maxMessagesWaiting + 1);
        QCOMPARE(events.messages, sent.first(events.messages.size()));
    }

    void outOfDescriptorsTheLinkWaitsIdleAndAcceptsOnceTheyFree()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        {
            Client earlier;
            QVERIFY(earlier.open(link.port()));
            QTRY_COMPARE(events.states.last(), State(PeerState::connected, 1));
        }
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 0));

        // Every descriptor taken but those of a few idle peers waiting in the backlog: the link cannot accept them.
        rlimit limit {};
        getrlimit(RLIMIT_NOFILE, &limit);
        const rlimit raised = limit;
        limit.rlim_cur = openDescriptorCount() + 8;
        setrlimit(RLIMIT_NOFILE, &limit);
        std::vector<int> held;
        for (int descriptor; (descriptor = dup(0)) >= 0;)
            held.push_back(descriptor);
        sockaddr_in address { AF_INET, htons(link.port()), { htonl(INADDR_LOOPBACK) }, {} };
        for (int index = 0; index < 3; ++index) {
            ::close(held.back());
            held.back() = ::socket(AF_INET, SOCK_STREAM, 0);
            QCOMPARE(::connect(held.back(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
        // Meanwhile the process waits rather than spins: a tenth of a core is ample for a retry every quarter second.
        const auto cpuTime = [] {
            rusage usage {};
            getrusage(RUSAGE_SELF, &usage);
            return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                + std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
        };
        const auto before = cpuTime();
        QTest::qWait(1500);
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(cpuTime() - before);
        for (const int descriptor : held)
            ::close(descriptor);
        setrlimit(RLIMIT_NOFILE, &raised);
        QVERIFY2(spent < 150ms, qPrintable(QStringLiteral("%1 ms of CPU in 1500 ms").arg(spent.count())));

        Client phone;
        QVERIFY(phone.open(link.port()));
    }

private:
    NetworkThread m_network;
};

QTEST_GUILESS_MAIN(WebSocketPeerLinkTest)
#include "tst_WebSocketPeerLink.moc"
