#include "FakePlatform.h"
#include "StressSupport.h"
#include "transport/NetworkThread.h"
#include "transport/http/OpenFileLimit.h"
#include "transport/http/TcpHttpListenerFactory.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>
#include <atomic>
#include <poll.h>
#include <random>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

QString readyText(quint16 port) { return QStringLiteral("IP active sur le port %1").arg(port); }

// The real service behind the real server; only the desktop's seams are fakes.
struct ServedService {
    FakePlatform fakes;
    TcpHttpListenerFactory factory;
    MacRemoteService service;

    ServedService(NetworkThread& network, quint16 port, std::chrono::milliseconds deadline)
        : factory(network, deadline)
        , service(platformOn(port))
    {
    }

    MacRemoteService::Platform platformOn(quint16 port)
    {
        fakes.settings.setInteger(QStringLiteral("macRemotePort"), port);
        return { fakes.keys, fakes.permission, fakes.timers, fakes.settings, fakes.interfaces, fakes.peerLink,
            factory };
    }
};

// Runs work on client threads while the main thread keeps serving events; false when they overran.
bool runClients(int count, const std::function<void(int)>& work, std::chrono::seconds limit)
{
    std::atomic<int> finished { 0 };
    std::vector<std::thread> threads;
    for (int client = 0; client < count; ++client)
        threads.emplace_back([&, client] {
            work(client);
            ++finished;
        });
    const bool inTime = QTest::qWaitFor([&] { return finished == count; }, int(limit / 1ms));
    for (std::thread& thread : threads)
        thread.join();
    return inTime;
}

struct Delivered {
    QString title;
    QString text;
};

}

class HttpStressTest : public QObject {
    Q_OBJECT

private:
    NetworkThread m_network;

private Q_SLOTS:
    void initTestCase() { raiseOpenFileLimit(); }

    void idleConnectionsNeitherLockOutAPingNorOutliveTheDeadline()
    {
        constexpr int idleCount = 1000;
        constexpr auto deadline = 2s;
        const qsizetype baseline = openDescriptorCount();
        {
            const quint16 port = freePort();
            ServedService served(m_network, port, deadline);
            QTRY_COMPARE(served.service.httpStatusMessage(), readyText(port));

            std::vector<int> idle;
            for (int index = 0; index < idleCount; ++index) {
                const int descriptor = connectLoopback(port);
                QVERIFY(descriptor >= 0);
                idle.push_back(descriptor);
            }
            QElapsedTimer sinceOpened;
            sinceOpened.start();

            QByteArray pong;
            qint64 pingMilliseconds = -1;
            QVERIFY(runClients(
                1,
                [&](int) {
                    QElapsedTimer timer;
                    timer.start();
                    bool ok = false;
                    pong = exchange(port, "GET /ping HTTP/1.1\r\n\r\n", ok);
                    pingMilliseconds = timer.elapsed();
                },
                5s));
            QVERIFY(pong.endsWith("\r\n\r\npong"));
            // Answered from the network thread at once, however many sockets wait.
            QVERIFY2(pingMilliseconds < 500, qPrintable(QString::number(pingMilliseconds)));

            // Each idle connection is answered as a request without content, then closed, at its deadline.
            int closed = 0;
            QVERIFY(runClients(
                1,
                [&](int) {
                    for (const int descriptor : idle) {
                        bool ok = false;
                        if (readUntilClosed(descriptor, ok).endsWith("\r\n\r\nbad request") && ok)
                            ++closed;
                    }
                },
                30s));
            QCOMPARE(closed, idleCount);
            QVERIFY2(sinceOpened.elapsed() < (deadline + 3s) / 1ms, qPrintable(QString::number(sinceOpened.elapsed())));
            for (const int descriptor : idle)
                ::close(descriptor);
        }
        QTRY_COMPARE(openDescriptorCount(), baseline);
    }

    void manyClientsOnEveryRouteGetWellFormedAnswersAndEachTextAtMostOnce()
    {
        constexpr int clientCount = 32;
        constexpr int requestCount = 50000;
        const quint16 port = freePort();
        ServedService served(m_network, port, 10s);
        QTRY_COMPARE(served.service.httpStatusMessage(), readyText(port));

        const QList<QByteArray> commands { "GET /next HTTP/1.1\r\n\r\n", "POST /next HTTP/1.1\r\n\r\n",
            "GET /prev HTTP/1.1\r\n\r\n", "POST /prev HTTP/1.1\r\n\r\n" };
        const QList<QByteArray> others { "GET /ping HTTP/1.1\r\n\r\n", "GET /pendingtext HTTP/1.1\r\n\r\n",
            "GET /nextslide HTTP/1.1\r\n\r\n", "\xff\xfe / HTTP/1.1\r\n\r\n" };
        constexpr int routeCount = 9; // the commands, the others, and a posted text

        std::atomic<int> nextRequest { 0 };
        std::atomic<int> commandsSent { 0 };
        std::vector<QStringList> failures(clientCount);
        std::vector<std::vector<Delivered>> delivered(clientCount);
        std::vector<QSet<QString>> posted(clientCount);

        const auto work = [&](int client) {
            int sequence = 0;
            for (int index = nextRequest++; index < requestCount; index = nextRequest++) {
                const int route = (index + client) % routeCount;
                QByteArray request;
                QByteArray expected; // status and body of a plain answer; empty where a text may come instead
                if (route < commands.size()) {
                    request = commands[route];
                    ++commandsSent;
                } else if (route < commands.size() + others.size()) {
                    request = others[route - commands.size()];
                    expected = QList<QByteArray> { "200 OK pong", "", "404 Not Found unknown command",
                        "400 Bad Request bad request" }[route - commands.size()];
                } else {
                    const QString text = QStringLiteral("texte %1-%2 \"é\"\n\\").arg(client).arg(sequence++);
                    posted[client].insert(text);
                    const QByteArray body = QJsonDocument(
                        QJsonObject { { "title", QStringLiteral("c%1").arg(client) },
                            { "text", text } }).toJson(QJsonDocument::Compact);
                    request = "POST /sendtext HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size())
                        + "\r\n\r\n" + body;
                    expected = "200 OK sent";
                }
                bool ok = false;
                const QByteArray answer = exchange(port, request, ok);
                QByteArray status, contentType, body;
                if (!ok || !readAnswer(answer, status, contentType, body)) {
                    failures[client] << QString::fromUtf8("malformed: " + request.left(20) + " -> " + answer);
                    continue;
                }
                if (contentType == "application/json") {
                    const QJsonObject text = QJsonDocument::fromJson(body).object();
                    delivered[client].push_back({ text.value("title").toString(), text.value("text").toString() });
                    if (status != "200 OK" || text.size() != 2 || !expected.isEmpty())
                        failures[client] << QString::fromUtf8("unexpected text: " + request.left(20) + " -> " + body);
                } else if (!expected.isEmpty()
                        ? status + ' ' + body != expected
                        : (route < commands.size() ? status + ' ' + body != "200 OK ok"
                                                   : status + ' ' + body != "204 No Content {}")) {
                    failures[client] << QString::fromUtf8("wrong answer: " + request.left(20) + " -> " + answer);
                }
            }
        };
        QVERIFY(runClients(clientCount, work, 150s));

        QStringList allFailures;
        for (const QStringList& clientFailures : failures)
            allFailures += clientFailures;
        QVERIFY2(allFailures.isEmpty(), qPrintable(allFailures.mid(0, 5).join(u'\n')));
        QCOMPARE(served.service.commandCount(), commandsSent.load());
        QCOMPARE(served.fakes.keys.pressed.size(), std::size_t(commandsSent.load()));

        // Whatever is still pending counts as delivered by one last fetch.
        if (const std::optional<MacRemoteService::PendingText> last = served.service.pendingText())
            delivered[0].push_back({ last->title, last->text });
        QSet<QString> seen;
        for (const auto& clientDelivered : delivered) {
            for (const Delivered& text : clientDelivered) {
                QVERIFY2(!seen.contains(text.text), qPrintable("delivered twice: " + text.text));
                seen.insert(text.text);
                const int client = text.title.mid(1).toInt();
                QVERIFY2(text.title.startsWith(u'c') && client >= 0 && client < clientCount
                        && posted[client].contains(text.text),
                    qPrintable("not a posted text: " + text.title + " " + text.text));
            }
        }
        QVERIFY(!seen.isEmpty());
    }

    void portsSwitchedUnderLoadEndReadyOnTheLastPort()
    {
        const QList<quint16> ports { freePort(), freePort(), freePort() };
        ServedService served(m_network, ports[0], 10s);
        QTRY_COMPARE(served.service.httpStatusMessage(), readyText(ports[0]));

        std::atomic<bool> stop { false };
        std::atomic<int> answered { 0 };
        std::atomic<int> malformed { 0 };
        std::atomic<int> finishedHammers { 0 };
        std::vector<std::thread> hammers;
        for (int client = 0; client < 4; ++client) {
            hammers.emplace_back([&, client] {
                std::mt19937 random(client);
                while (!stop) {
                    bool ok = false;
                    const QByteArray request
                        = random() % 2 ? "GET /ping HTTP/1.1\r\n\r\n" : "GET /next HTTP/1.1\r\n\r\n";
                    const QByteArray answer = exchange(ports[random() % ports.size()], request, ok);
                    QByteArray status, contentType, body;
                    if (ok && !answer.isEmpty())
                        readAnswer(answer, status, contentType, body) ? ++answered : ++malformed;
                    else
                        std::this_thread::sleep_for(1ms); // a port between listeners refuses at once
                }
                ++finishedHammers;
            });
        }
        for (int round = 1; round <= 100; ++round) {
            served.service.applyPort(ports[round % ports.size()]);
            QTest::qWait(5);
        }
        const quint16 finalPort = ports[100 % ports.size()];
        QTRY_COMPARE(served.service.httpStatusMessage(), readyText(finalPort));
        QTest::qWait(200); // late reports of replaced listeners must not overwrite it
        stop = true;
        // A hammer may wait for a route's answer from the main thread: keep serving events until all are done.
        QVERIFY(QTest::qWaitFor([&] { return finishedHammers == int(hammers.size()); }, 60000));
        for (std::thread& hammer : hammers)
            hammer.join();
        QCOMPARE(served.service.httpStatusMessage(), readyText(finalPort));
        QCOMPARE(malformed.load(), 0);
        QVERIFY(answered > 0);

        bool ok = false;
        QByteArray answer;
        QVERIFY(runClients(
            1, [&](int) { answer = exchange(finalPort, "GET /ping HTTP/1.1\r\n\r\n", ok); }, 5s));
        QVERIFY(ok && answer.endsWith("pong"));
        for (const quint16 port : ports) {
            if (port == finalPort)
                continue;
            const int descriptor = connectLoopback(port);
            QVERIFY2(descriptor < 0, "a replaced port still accepts connections");
        }
    }
};

QTEST_GUILESS_MAIN(HttpStressTest)
#include "test_http_stress.moc"
