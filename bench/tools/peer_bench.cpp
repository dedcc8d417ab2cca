// Peer link throughput and round trip for "next", beside a plain echo over the same QtWebSockets stack.
//   peer_bench LATENCY_COUNT BURST_COUNT
// app:  a client thread sends "next" to the real peer link on its network thread; the real service executes it on
//       the main thread, whose key poster hands the acknowledgement back to the client thread.
// echo: the same client against a QWebSocketServer on a thread of its own that sends every message back.
// Round trip: closed loop, one message at a time. Rate: BURST_COUNT messages sent at once, until the last is done.

#include "FakePlatform.h"
#include "Percentiles.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// Lives on the client thread: sends, and counts acknowledgements however they come back.
class Driver : public QObject {
public:
    Driver(int latencyCount, int burstCount, std::function<void()> done)
        : m_latencyCount(latencyCount)
        , m_burstCount(burstCount)
        , m_done(std::move(done))
    {
    }

    void start(const QUrl& url, bool acknowledgedByEcho)
    {
        m_socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
        connect(m_socket, &QWebSocket::connected, this, [this] { sendOne(); });
        if (acknowledgedByEcho)
            connect(m_socket, &QWebSocket::binaryMessageReceived, this, [this] { acknowledge(); });
        m_socket->open(url);
    }

    void acknowledge()
    {
        if (m_roundTrips.size() < size_t(m_latencyCount)) {
            m_roundTrips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - m_sentAt).count());
            if (m_roundTrips.size() < size_t(m_latencyCount))
                return sendOne();
            m_burstStart = Clock::now();
            // A window of commands in flight, not the whole burst at once: the app drops a peer that runs far ahead.
            while (m_burstSent < std::min(m_burstCount, burstWindow))
                sendBurstOne();
            return;
        }
        if (m_burstSent < m_burstCount)
            sendBurstOne();
        if (++m_burstAcknowledged == m_burstCount) {
            m_burstSeconds = std::chrono::duration<double>(Clock::now() - m_burstStart).count();
            m_socket->close();
            m_done();
        }
    }

    std::vector<double> m_roundTrips;
    double m_burstSeconds = 0;

private:
    static constexpr int burstWindow = 32;

    void sendBurstOne()
    {
        ++m_burstSent;
        m_socket->sendBinaryMessage(QByteArrayLiteral("next"));
    }

    void sendOne()
    {
        m_sentAt = Clock::now();
        m_socket->sendBinaryMessage(QByteArrayLiteral("next"));
    }

    const int m_latencyCount;
    const int m_burstCount;
    std::function<void()> m_done;
    QWebSocket* m_socket = nullptr;
    Clock::time_point m_sentAt;
    Clock::time_point m_burstStart;
    int m_burstSent = 0;
    int m_burstAcknowledged = 0;
};

// Every key press is one executed command: it acknowledges to the client thread.
struct AcknowledgingKeys : FakeKeys {
    Driver* driver = nullptr;
    bool pressKey(Key) override
    {
        QMetaObject::invokeMethod(
            driver, [d = driver] { d->acknowledge(); }, Qt::QueuedConnection);
        return true;
    }
};

void report(const char* name, Driver& driver, int burstCount)
{
    std::printf("%s rate=%.0f ", name, burstCount / driver.m_burstSeconds);
    printLatencies(driver.m_roundTrips);
}

}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int latencyCount = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int burstCount = argc > 2 ? std::atoi(argv[2]) : 20000;
    QEventLoop* running = nullptr;
    const auto done = [&running] { QMetaObject::invokeMethod(qApp, [&running] { running->quit(); }); };

    {
        NetworkThread network;
        FakePlatform fakes;
        AcknowledgingKeys keys;
        WebSocketPeerLink link(network);
        MacRemoteService service({ keys, fakes.settings, fakes.interfaces, link, fakes.httpListeners,
            fakes.focusedWindow, fakes.pointerOverlay, fakes.screenPicture });
        Driver driver(latencyCount, burstCount, done);
        keys.driver = &driver;
        QThread clientThread;
        clientThread.start();
        driver.moveToThread(&clientThread);
        QMetaObject::invokeMethod(
            &driver, [&] { driver.start(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(link.port())), false); });
        QEventLoop loop;
        running = &loop;
        loop.exec();
        clientThread.quit();
        clientThread.wait();
        report("app", driver, burstCount);
    }
    {
        QThread echoThread;
        echoThread.start();
        QWebSocketServer server(QStringLiteral("echo"), QWebSocketServer::NonSecureMode);
        server.moveToThread(&echoThread);
        quint16 port = 0;
        QMetaObject::invokeMethod(
            &server,
            [&] {
                server.listen(QHostAddress::LocalHost, 0);
                port = server.serverPort();
                QObject::connect(&server, &QWebSocketServer::newConnection, &server, [&server] {
                    QWebSocket* socket = server.nextPendingConnection();
                    QObject::connect(socket, &QWebSocket::binaryMessageReceived, socket,
                        [socket](const QByteArray& message) { socket->sendBinaryMessage(message); });
                    QObject::connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
                });
            },
            Qt::BlockingQueuedConnection);
        Driver driver(latencyCount, burstCount, done);
        QThread clientThread;
        clientThread.start();
        driver.moveToThread(&clientThread);
        QMetaObject::invokeMethod(
            &driver, [&] { driver.start(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port)), true); });
        QEventLoop loop;
        running = &loop;
        loop.exec();
        clientThread.quit();
        clientThread.wait();
        QMetaObject::invokeMethod(
            &server,
            [&] {
                server.close();
                server.moveToThread(qApp->thread());
            },
            Qt::BlockingQueuedConnection);
        echoThread.quit();
        echoThread.wait();
        report("echo", driver, burstCount);
    }
    return 0;
}
