#include "LoopbackHttpClient.h"
#include "transport/NetworkThread.h"
#include "transport/http/OpenFileLimit.h"
#include "transport/http/TcpHttpListenerFactory.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct RoutedRequest {
    HttpRoute route;
    QString text;
};

// The service's side, played by the test: records what reaches it and answers with the route's number.
struct CallbackRecorder {
    QList<HttpListenerState> states;
    QList<RoutedRequest> requests;
    int answerCalls = 0;
    bool ranOffTheMainThread = false;

    HttpListenerFactory::Callbacks callbacks()
    {
        return {
            [this](HttpListenerState state) {
                noteThread();
                states.append(state);
            },
            [this](const std::vector<RouteRequest>& routed) {
                noteThread();
                ++answerCalls;
                std::vector<HttpAnswer> answers;
                for (const RouteRequest& request : routed) {
                    requests.append({ request.route, request.request });
                    answers.push_back({ "200 OK", false, "route " + QByteArray::number(int(request.route)) });
                }
                return answers;
            },
        };
    }

    void noteThread() { ranOffTheMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread(); }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

QByteArray routedAnswer(HttpRoute route) { return plainAnswer("200 OK", "route " + QByteArray::number(int(route))); }

}

class HttpListenerTest : public QObject {
    Q_OBJECT

private:
    NetworkThread m_network;

    // A listener that has reported ready on a free port.
    std::unique_ptr<HttpListener> startListener(
        TcpHttpListenerFactory& factory, CallbackRecorder& recorder, quint16& port)
    {
        port = freePort();
        auto listener = factory.listen(port, recorder.callbacks());
        if (!QTest::qWaitFor(
                [&] { return !recorder.states.isEmpty() && recorder.states.last() != HttpListenerState::starting; }))
            return nullptr;
        return listener;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Room for over a thousand connections, each open at both ends in this process.
        raiseOpenFileLimit();
    }

    void everyRouteReachesTheMainThreadExceptPing()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);
        QCOMPARE(recorder.states, QList({ HttpListenerState::starting, HttpListenerState::ready }));

        const QList<std::pair<QByteArray, HttpRoute>> cases {
            { "GET /next HTTP/1.1\r\nHost: mac\r\n\r\n", HttpRoute::next },
            { "POST /next HTTP/1.1\r\n\r\n", HttpRoute::next },
            { "GET /prev HTTP/1.1\r\n\r\n", HttpRoute::previous },
            { "POST /prev HTTP/1.1\r\n\r\n", HttpRoute::previous },
            { "GET /pendingtext?t=1 HTTP/1.1\r\n\r\n", HttpRoute::pendingText },
            { "POST /sendtext HTTP/1.1\r\nContent-Length: 26\r\n\r\n{\"title\":\"T\",\"text\":\"Ça\"}",
                HttpRoute::sendText },
            { "GET /next\r\n\r\n", HttpRoute::unknown },
            { "HEAD /next HTTP/1.1\r\n\r\n", HttpRoute::unknown },
        };
        for (const auto& [request, route] : cases) {
            LoopbackHttpClient client(port);
            client.send(request);
            QVERIFY(client.waitUntilClosed());
            QCOMPARE(client.received(), routedAnswer(route));
            QCOMPARE(recorder.requests.size(), 1);
            QCOMPARE(recorder.requests.first().route, route);
            QCOMPARE(recorder.requests.first().text, QString::fromUtf8(request));
            recorder.requests.clear();
        }

        for (const QByteArray& ping :
            { QByteArray("GET /ping HTTP/1.1\r\n\r\n"), QByteArray("GET /pingpong\r\n\r\n") }) {
            LoopbackHttpClient client(port);
            client.send(ping);
            QVERIFY(client.waitUntilClosed());
            QCOMPARE(client.received(), plainAnswer("200 OK", "pong"));
        }
        QVERIFY(recorder.requests.isEmpty());
        QVERIFY(!recorder.ranOffTheMainThread);
    }

    void requestsInPiecesAreRoutedWhole()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        // A head in four writes: each piece alone would be routed as unknown.
        const QList<QByteArray> headPieces { "GE", "T /ne", "xt HTTP/1.1\r\nHost: mac\r\n", "\r\n" };
        LoopbackHttpClient split(port);
        for (const QByteArray& piece : headPieces) {
            split.send(piece);
            if (piece != headPieces.last()) {
                QTest::qWait(50);
                QVERIFY(!split.isClosed());
            }
        }
        QVERIFY(split.waitUntilClosed());
        QCOMPARE(split.received(), routedAnswer(HttpRoute::next));
        QCOMPARE(recorder.requests.last().text, QString::fromUtf8(headPieces.join()));

        // A body that follows its head later, as its Content-Length announces.
        const QByteArray head = "POST /sendtext HTTP/1.1\r\nContent-Length: 26\r\n\r\n";
        const QByteArray body = R"({"title":"T","text":"abc"})";
        LoopbackHttpClient late(port);
        late.send(head);
        QTest::qWait(100);
        QVERIFY(!late.isClosed());
        late.send(body);
        QVERIFY(late.waitUntilClosed());
        QCOMPARE(late.received(), routedAnswer(HttpRoute::sendText));
        QCOMPARE(recorder.requests.last().text, QString::fromUtf8(head + body));

        // Without a Content-Length, the client's end of input ends the request.
        LoopbackHttpClient ended(port);
        ended.send("GET /prev ");
        QTest::qWait(50);
        ended.endInput();
        QVERIFY(ended.waitUntilClosed());
        QCOMPARE(ended.received(), routedAnswer(HttpRoute::previous));
        QCOMPARE(recorder.requests.last().text, QStringLiteral("GET /prev "));
        QCOMPARE(recorder.requests.size(), 3);
    }

    void badRequestsAreAnsweredWithoutTheMainThread()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);
        const QByteArray badRequest = plainAnswer("400 Bad Request", "bad request");

        LoopbackHttpClient silent(port);
        silent.endInput();
        QVERIFY(silent.waitUntilClosed());
        QCOMPARE(silent.received(), badRequest);

        // Not UTF-8: a stray continuation byte, an overlong slash, an encoded surrogate.
        for (const QByteArray& invalid : { QByteArray("GET /next \x80\r\n\r\n"),
                 QByteArray("GET /next \xc0\xaf\r\n\r\n"), QByteArray("GET /ping \xed\xa0\x80\r\n\r\n") }) {
            LoopbackHttpClient client(port);
            client.send(invalid);
            QVERIFY(client.waitUntilClosed());
            QCOMPARE(client.received(), badRequest);
        }

        // A client that leaves without a word; the server goes on serving.
        {
            LoopbackHttpClient gone(port);
            QVERIFY(gone.isConnected());
        }
        LoopbackHttpClient next(port);
        next.send("GET /ping\r\n\r\n");
        QVERIFY(next.waitUntilClosed());
        QCOMPARE(next.received(), plainAnswer("200 OK", "pong"));
        QVERIFY(recorder.requests.isEmpty());
    }

    void requestsAreCutAtTheCap()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        const QByteArray head = "POST /sendtext HTTP/1.1\r\nContent-Length: 69950\r\n\r\n";
        const QByteArray request = head + QByteArray(70000 - head.size(), 'a');
        LoopbackHttpClient client(port);
        client.send(request);
        QVERIFY(client.waitUntilClosed());
        QCOMPARE(client.received(), routedAnswer(HttpRoute::sendText));
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(recorder.requests.first().text, QString::fromUtf8(request.first(65536)));
    }

    void aBurstIsAnsweredInOneCallWhileTheMainThreadIsBusy()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        // Sending does not run the event loop, so the main thread answers nothing until every request is in.
        std::vector<std::unique_ptr<LoopbackHttpClient>> clients;
        for (int index = 0; index < 10; ++index) {
            clients.push_back(std::make_unique<LoopbackHttpClient>(port));
            clients.back()->send("GET /next HTTP/1.1\r\n\r\n");
        }
        QThread::msleep(200);
        for (const auto& client : clients) {
            QVERIFY(client->waitUntilClosed());
            QCOMPARE(client->received(), routedAnswer(HttpRoute::next));
        }
        QCOMPARE(recorder.requests.size(), 10);
        // At most the first request is asked for alone; those that came while it was answered go together.
        QVERIFY2(recorder.answerCalls <= 2, qPrintable(QString::number(recorder.answerCalls)));
    }

    void aLargeAnswerIsWrittenWhole()
    {
        // Far more than the socket buffers take at once: the rest must follow as the client reads.
        const QByteArray body(16 * 1024 * 1024, 'x');
        TcpHttpListenerFactory factory(m_network);
        QList<HttpListenerState> states;
        quint16 port = freePort();
        const auto listener = factory.listen(port,
            { [&](HttpListenerState state) { states.append(state); },
                [&](const std::vector<RouteRequest>& requests) {
                    return std::vector<HttpAnswer>(requests.size(), HttpAnswer { "200 OK", true, body });
                } });
        QTRY_COMPARE(states.size(), 2);

        LoopbackHttpClient client(port);
        client.send("GET /pendingtext HTTP/1.1\r\n\r\n");
        QVERIFY(client.waitUntilClosed(20000));
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 16777216\r\nConnection: close\r\n"
                                "Content-Type: application/json\r\n\r\n";
        QCOMPARE(client.received().size(), head.size() + body.size());
        QVERIFY(client.received().startsWith(head));
        QVERIFY(client.received().endsWith(body.last(1024)));
    }

    void idleConnectionsAreEndedByTheDeadline()
    {
        TcpHttpListenerFactory factory(m_network, 1000ms);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        LoopbackHttpClient idle(port);
        LoopbackHttpClient unfinished(port);
        unfinished.send("GET /next HTTP/1.1\r\nHost: mac\r\n");
        QElapsedTimer clock;
        clock.start();

        // Others are served meanwhile.
        for (const QByteArray& request : { QByteArray("GET /ping\r\n\r\n"), QByteArray("GET /prev \r\n\r\n") }) {
            LoopbackHttpClient other(port);
            other.send(request);
            QVERIFY(other.waitUntilClosed());
            QVERIFY(!other.received().isEmpty());
        }
        QVERIFY(!idle.isClosed());
        QVERIFY(!unfinished.isClosed());
        QCOMPARE(recorder.requests.size(), 1);

        QVERIFY(idle.waitUntilClosed());
        QVERIFY(unfinished.waitUntilClosed());
        QVERIFY(clock.elapsed() >= 900);
        QCOMPARE(idle.received(), plainAnswer("400 Bad Request", "bad request"));
        // What came by the deadline is routed.
        QCOMPARE(unfinished.received(), routedAnswer(HttpRoute::next));
        QCOMPARE(recorder.requests.last().text, QStringLiteral("GET /next HTTP/1.1\r\nHost: mac\r\n"));
    }

    void theLongestWaitingConnectionMakesRoomAtTheLimit()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        auto oldest = std::make_unique<LoopbackHttpClient>(port);
        QTest::qWait(100);
        std::vector<std::unique_ptr<LoopbackHttpClient>> idle;
        for (std::size_t count = 1; count < 1024; ++count) {
            idle.push_back(std::make_unique<LoopbackHttpClient>(port));
            QVERIFY(idle.back()->isConnected());
        }
        QTest::qWait(100);
        QVERIFY(!oldest->isClosed());

        LoopbackHttpClient phone(port);
        phone.send("GET /next HTTP/1.1\r\n\r\n");
        QVERIFY(phone.waitUntilClosed());
        QCOMPARE(phone.received(), routedAnswer(HttpRoute::next));
        QVERIFY(oldest->waitUntilClosed());
        QVERIFY(oldest->received().isEmpty());
        QVERIFY(!idle.front()->isClosed());
        QVERIFY(!idle.back()->isClosed());
    }

    void aPortInUseFails()
    {
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        const auto listener = factory.listen(occupant.serverPort(), recorder.callbacks());
        QTRY_COMPARE(recorder.states, QList({ HttpListenerState::starting, HttpListenerState::failed }));
    }

    void cancelStopsListeningAtOnce()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        const auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        listener->cancel();
        QCOMPARE(recorder.states.last(), HttpListenerState::cancelled);
        QTcpSocket refused;
        refused.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(!refused.waitForConnected(2000));

        // The same port is free for a successor.
        CallbackRecorder successor;
        const auto next = factory.listen(port, successor.callbacks());
        QTRY_COMPARE(successor.states, QList({ HttpListenerState::starting, HttpListenerState::ready }));
        QTest::qWait(50);
        QCOMPARE(recorder.states.size(), 3);
    }

    void aDestroyedListenerCallsNothingMore()
    {
        TcpHttpListenerFactory factory(m_network);
        CallbackRecorder recorder;
        quint16 port = 0;
        auto listener = startListener(factory, recorder, port);
        QVERIFY(listener);

        LoopbackHttpClient client(port);
        client.send("GET /next HTTP/1.1\r\n\r\n");
        // The request's hop is now queued for this thread, which has not run it yet.
        QThread::msleep(200);
        listener.reset();
        QVERIFY(client.waitUntilClosed());
        QVERIFY(client.received().isEmpty());
        QVERIFY(recorder.requests.isEmpty());

        // A listener destroyed before its first state report reports nothing.
        CallbackRecorder early;
        factory.listen(freePort(), early.callbacks()).reset();
        QTest::qWait(100);
        QVERIFY(early.states.isEmpty());
    }
};

QTEST_GUILESS_MAIN(HttpListenerTest)
#include "test_http_listener.moc"
