#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/RemoteMessage.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using State = std::pair<PeerState, int>;

namespace {

// What a phone receives for a text offered to it.
QByteArray offered(const char* text) { return RemoteMessage::importText({}, text).encode(); }

}

class WebSocketPeerLinkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // First, so that no link of an earlier test is still being torn down while the descriptors are counted.
    void aPeerThatDoesNotReadIsCutOffAndLeavesNothingBehind()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("."))); // the first session says nothing of TLS either
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
        // Nor a TLS library, mapped for good by a plain session's socket (checked before any client socket of ours).
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY2(!mapped.contains("/libssl.so") && !mapped.contains("/libcrypto.so"), "OpenSSL is mapped");
    }

    void sessionsReportTheConnectedSetAndCommandsArriveInOrder()
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
        // What a hostile peer sends is read and dropped, and must not reach the journal.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QByteArray binary;
        for (int i = 0; i < 64 * 1024; ++i)
            binary += char(i * 7);
        first.socket.sendTextMessage(QStringLiteral("next"));
        for (const QByteArray& ignored :
            { binary, QByteArray("\xc3\x28"), QByteArray(), QByteArray(R"({"importText":{"title":"T","text":"X"}})") })
            first.socket.sendBinaryMessage(ignored);
        first.socket.sendTextMessage(QStringLiteral("é ✅"));
        first.socket.sendBinaryMessage(R"({"slideCommand":{"_0":"previous"}})");
        QTRY_COMPARE(events.commands, (QList<RemoteCommand> { RemoteCommand::next, RemoteCommand::previous }));
        QVERIFY(first.received.isEmpty()); // the phone app hears nothing back

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
        QCOMPARE(second.socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
        first.socket.close();
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 0));
    }

    void onlyAPeerThatReadAndAnsweredConfirmsAnOffer()
    {
        WebSocketPeerLink link(m_network, { 100ms, 600ms });
        LinkEvents events(link);
        // Offered with nobody there: the first phone to join gets it.
        link.offerText(1, { {}, "to the first" });
        Client answering;
        QVERIFY(answering.open(link.port()));
        QTRY_COMPARE(events.delivered, QList<quint64> { 1 });
        auto silent = openRawPeer(link.port());
        QVERIFY(silent);
        QTRY_COMPARE(events.states.size(), 4);
        link.offerText(2, { {}, "to both" });
        QTRY_COMPARE(events.delivered, (QList<quint64> { 1, 2 }));
        QCOMPARE(answering.received, (QList<QByteArray> { offered("to the first"), offered("to both") }));

        answering.socket.close();
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 1));
        link.offerText(3, { {}, "to the silent one" });
        // Pongs it was never asked for, and messages, prove nothing: the silent peer is still taken for gone.
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
            silent->write(clientFrame(0xA, "unasked") + clientFrame(0x1, "junk"));
            return events.states.last() == State(PeerState::notConnected, 0);
        })(),
            5000);
        QCOMPARE(events.delivered, (QList<quint64> { 1, 2 }));

        // Still offered, to a peer that may be dead and to one that joins; a withdrawn text to none.
        auto zombie = openRawPeer(link.port());
        QVERIFY(zombie);
        QTRY_COMPARE(events.states.last(), State(PeerState::connected, 1));
        Client late;
        QVERIFY(late.open(link.port()));
        QTRY_COMPARE(events.delivered, (QList<quint64> { 1, 2, 3 }));
        QCOMPARE(late.received, QList<QByteArray> { offered("to the silent one") });
        link.offerText(4, { {}, "taken elsewhere" });
        link.withdrawText();
        Client after;
        QVERIFY(after.open(link.port()));
        QTest::qWait(300);
        QVERIFY(after.received.isEmpty());
    }

    // Page-only: the phone app, which never asks, sees nothing of it.
    void aPageThatAsksIsToldWhereTheKeysGo()
    {
        WebSocketPeerLink link(m_network);
        link.publishKeyTarget({ KeyTarget::State::program, QStringLiteral("evince") }, QStringLiteral("Evince"));
        Client page;
        Client phone;
        QVERIFY(page.open(link.port()) && phone.open(link.port()));
        page.socket.sendTextMessage(QStringLiteral(R"({"watchKeyTarget":{}})"));
        QTRY_COMPARE(page.received,
            QList<QByteArray> { R"({"keyTarget":{"name":"Evince","program":"evince","state":"program"}})" });
        link.publishKeyTarget({ KeyTarget::State::ownWindow, QStringLiteral("quorvelantis-remote") }, {});
        QTRY_COMPARE(page.received.size(), 2);
        QVERIFY(page.received.last().contains(R"("state":"ownWindow")"));
        QVERIFY(phone.received.isEmpty());
    }

    // Page-only too: pings answered with the desktop's clock, by which a tap's deadline is judged; the answer to a tap
    // goes to its page alone, a late one's at once; the pointer pad's moves.
    void aPageHearsWhetherItsTapsWerePressedAndMovesThePointer()
    {
        WebSocketPeerLink link(m_network);
        QList<PageTap> taps;
        connect(&link, &PeerLink::tapReceived, this, [&](const PageTap& tap) { taps.append(tap); });
        Client page;
        Client phone;
        QVERIFY(page.open(link.port()) && phone.open(link.port()));
        page.socket.sendTextMessage(QStringLiteral(R"({"ping":{}})"));
        QTRY_COMPARE(page.received.size(), 1);
        const qint64 clock = QJsonDocument::fromJson(page.received[0])["pong"]["clock"].toInteger();
        for (const qint64 deadline : { clock - 1, clock + 5000 })
            page.socket.sendTextMessage(QStringLiteral(R"({"tap":{"id":%1,"command":"previous","deadline":%2}})")
                                            .arg(deadline > clock ? 2 : 1)
                                            .arg(deadline));
        QTRY_COMPARE(taps.size(), 1);
        QVERIFY(taps[0].id == 2 && taps[0].command == RemoteCommand::previous);
        QVERIFY(taps[0].pressBefore.remainingTime() > 3000);
        link.answerTap(taps[0], true);
        QTRY_COMPARE(page.received.mid(1),
            (QList<QByteArray> {
                R"({"tapAnswer":{"id":1,"pressed":false}})", R"({"tapAnswer":{"id":2,"pressed":true}})" }));
        QVERIFY(phone.received.isEmpty());

        // The finger on the pad, lifted by its page's going as by the page itself; a lift with no finger down is none.
        QVariantList pointer; // a QPointF per move, a null per lift
        connect(&link, &PeerLink::pointerMoved, this, [&](QPointF position) { pointer.append(position); });
        connect(&link, &PeerLink::pointerLifted, this, [&] { pointer.append(QVariant()); });
        page.socket.sendTextMessage(QStringLiteral(R"({"pointerLift":{}})"));
        page.socket.sendTextMessage(QStringLiteral(R"({"pointerMove":{"x":0.5,"y":0.25}})"));
        QTRY_COMPARE(pointer.size(), 1);
        page.socket.close();
        QTRY_COMPARE(pointer.size(), 2);
        QCOMPARE(pointer, (QVariantList { QPointF(0.5, 0.25), QVariant() }));
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

    // While only invited phones may connect, the page's key rides among the handshake's subprotocols: without a valid
    // one the handshake is refused; sessions that no longer hold a valid key end.
    void withKeysRequiredOnlyAValidKeyOpensASession()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        QList<QList<QByteArray>> sessions;
        connect(&link, &PeerLink::keyedSessionsChanged, this, [&](const QList<QByteArray>& keys) { sessions << keys; });
        int refused = 0;
        connect(&link, &PeerLink::refused, this, [&](const QString&, int count) { refused += count; });
        Client before;
        QVERIFY(before.open(link.port()));
        const QByteArray key(32, 'k'), revoked(32, 'r');
        link.setPhoneKeys({ true, { phoneSecretHash(key), phoneSecretHash(revoked) }, {} });
        QTRY_COMPARE(before.socket.state(), QAbstractSocket::UnconnectedState);
        link.setPhoneKeys({ true, { phoneSecretHash(key) }, {} });

        const auto answer = [&link](const QByteArray& header) {
            QTcpSocket socket;
            QByteArray received;
            QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll(); });
            socket.connectToHost(QStringLiteral("127.0.0.1"), link.port());
            socket.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n" + header
                + "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
            (void)QTest::qWaitFor([&] { return received.contains("\r\n\r\n"); }, 5000);
            return received.first(std::max<qsizetype>(received.indexOf("\r\n"), 0));
        };
        for (const QByteArray& header : { QByteArray(), QByteArray("Sec-WebSocket-Protocol: quorvelantis\r\n"),
                 "Sec-WebSocket-Protocol: quorvelantis, " + QByteArray(32, 'w') + "\r\n",
                 "Sec-WebSocket-Protocol: quorvelantis, " + revoked + "\r\n",
                 "Sec-WebSocket-Protocol: quorvelantis, " + key.first(31) + "\r\n" })
            QCOMPARE(answer(header), "HTTP/1.1 403 Forbidden");
        QTRY_COMPARE(refused, 5);
        QCOMPARE(answer("Sec-WebSocket-Protocol: quorvelantis, " + key + "\r\n"), "HTTP/1.1 101 Switching Protocols");

        auto phone = openRawPeer(link.port(), "Sec-WebSocket-Protocol: quorvelantis, " + key + "\r\n");
        QVERIFY(phone);
        QTRY_COMPARE(sessions.last(), QList<QByteArray> { phoneSecretHash(key) });
        phone->write(clientFrame(0x1, "next"));
        QTRY_COMPARE(events.commands, QList<RemoteCommand> { RemoteCommand::next });
        link.setPhoneKeys({ true, {}, {} });
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 0));
        QCOMPARE(sessions.last(), QList<QByteArray> {});
    }

    // The screen may show anything: its picture goes only to pages let in by their key that asked for it, and never
    // once any phone may connect again.
    void onlyAKeyedPageThatAskedGetsTheScreensPicture()
    {
        WebSocketPeerLink link(m_network);
        int requests = 0;
        QList<int> watchers;
        connect(&link, &PeerLink::pictureRequested, this, [&] { ++requests; });
        connect(&link, &PeerLink::pictureWatchersChanged, this, [&](int count) { watchers << count; });
        const auto count = [](const Client& page, const char* kind) {
            return std::ranges::count_if(
                page.received, [kind](const QByteArray& message) { return message.contains(kind); });
        };
        const auto ask = [&](Client& page) {
            const auto pongs = count(page, "pong");
            page.socket.sendTextMessage(QStringLiteral(R"({"watchPicture":{}})"));
            // Answered once the request was handled.
            page.socket.sendTextMessage(QStringLiteral(R"({"ping":{}})"));
            return QTest::qWaitFor([&] { return count(page, "pong") > pongs; }, 5000);
        };
        Client anyone;
        QVERIFY(anyone.open(link.port()));
        QVERIFY(ask(anyone));
        QCOMPARE(requests, 0);

        const QByteArray key(32, 'k');
        link.setPhoneKeys({ true, { phoneSecretHash(key) }, {} });
        Client page;
        Client quiet;
        QVERIFY(page.open(link.port(), key) && quiet.open(link.port(), key));
        QVERIFY(ask(page));
        QCOMPARE(requests, 1);
        QCOMPARE(watchers, QList<int> { 1 });
        const QByteArray jpeg("ÿØ a picture", 12);
        link.publishPicture(jpeg);
        QTRY_COMPARE(page.received.last(), R"({"picture":{"jpeg":")" + jpeg.toBase64() + R"("}})");
        QVERIFY(quiet.received.isEmpty());
        // A page that reads nothing meanwhile (this thread does not run its loop) is not sent the pictures it missed,
        // only the newest once its socket drains.
        const int sent = 30;
        for (int index = 1; index <= sent; ++index) {
            link.publishPicture(QByteArray(700 * 1024, char(index)));
            QThread::msleep(20);
        }
        const QByteArray newest = QByteArray(700 * 1024, char(sent)).toBase64();
        QTRY_VERIFY(page.received.last().contains(newest));
        const auto pictures = count(page, "picture");
        QVERIFY(pictures < sent);

        link.setPhoneKeys({});
        QTRY_COMPARE(watchers, (QList<int> { 1, 0 }));
        QVERIFY(ask(page));
        link.publishPicture(jpeg);
        QVERIFY(ask(page));
        QCOMPARE(requests, 1);
        QCOMPARE(count(page, "picture"), pictures);
    }

    void aPeerSendingWithoutPauseIsCutOffWithItsMessagesInOrder()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        auto flooder = openRawPeer(link.port());
        QVERIFY(flooder);
        QByteArray frames;
        QList<RemoteCommand> sent;
        for (int index = 0; index < 4 * PeerSessionServer::maxMessagesWaiting; ++index) {
            sent.append(index % 3 ? RemoteCommand::next : RemoteCommand::previous);
            frames += clientFrame(0x1, rawValue(sent.last()).toLatin1());
        }
        // All of it sent while this thread, the one taking the messages, is busy.
        flooder->write(frames);
        QVERIFY(flooder->waitForBytesWritten(5000));
        QTRY_COMPARE(events.states.last(), State(PeerState::notConnected, 0));
        QVERIFY(events.commands.size() <= PeerSessionServer::maxMessagesWaiting + 1);
        QCOMPARE(events.commands, sent.first(events.commands.size()));
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
