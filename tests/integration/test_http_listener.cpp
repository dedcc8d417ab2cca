#include "HeldPort.h"
#include "LoopbackHttpClient.h"
#include "transport/NetworkThread.h"
#include "transport/TapDeadline.h"
#include "transport/http/EpollHttpServer.h"
#include "transport/http/HttpServerListener.h"
#include "transport/http/OpenFileLimit.h"

#include <QDir>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

// The service's side, played by the test: records what reaches it and answers each request with its own number.
struct Recorder : PhoneRequestHandler {
    QList<HttpListenerState> states;
    std::vector<PhoneRequest> requests;
    int groups = 0;
    bool isAnswering = true;
    bool ranOnMainThreadOnly = true;

    std::unique_ptr<HttpListener> watch(std::unique_ptr<HttpListener> listener)
    {
        QObject::connect(listener.get(), &HttpListener::stateChanged, [this](HttpListenerState state) {
            noteThread();
            states.append(state);
        });
        return listener;
    }
    std::vector<PhoneAnswer> answer(const std::vector<PhoneRequest>& asked) override
    {
        noteThread();
        ++groups;
        requests.insert(requests.end(), asked.begin(), asked.end());
        std::vector<PhoneAnswer> answers;
        for (std::size_t index = 0; isAnswering && index < asked.size(); ++index)
            answers.push_back(
                { PhoneAnswer::Kind::textRefused, {}, QString::fromLatin1(answerText(asked[index])), {}, {} });
        return answers;
    }
    // The pending text's answer is far more than the socket buffers take at once: the rest must follow as the
    // client reads.
    static QByteArray answerText(const PhoneRequest& request)
    {
        if (request.kind == PhoneRequest::Kind::pendingText)
            return QByteArray(16 << 20, 'x');
        return "request " + QByteArray::number(int(request.kind)) + "." + QByteArray::number(int(request.command));
    }
    void noteThread() { ranOnMainThreadOnly &= QThread::currentThread() == QCoreApplication::instance()->thread(); }
};

QByteArray answered(const PhoneRequest& request)
{
    return plainAnswer("503 Service Unavailable", Recorder::answerText(request));
}

const PhoneRequest nextCommand { PhoneRequest::Kind::command, RemoteCommand::next, {} };
const PhoneRequest previous { PhoneRequest::Kind::command, RemoteCommand::previous, {} };

qsizetype openDescriptorCount() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size(); }

}

class HttpListenerTest : public QObject {
    Q_OBJECT

private:
    NetworkThread m_network;

    // A listener that has reported its state after starting on a free port.
    std::unique_ptr<HttpListener> start(
        Recorder& recorder, quint16& port, std::chrono::milliseconds deadline = 10s, const PhoneKeys& keys = {})
    {
        const HeldPort held;
        port = held.port();
        auto listener
            = recorder.watch(HttpServerListener::Factory(m_network, 0, deadline).listen(port, recorder, keys));
        return QTest::qWaitFor([&] { return recorder.states.size() >= 2; }) ? std::move(listener) : nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Room for a thousand and more connections, each open at both ends in this process.
        raiseOpenFileLimit();
    }

    void requestsReachTheServiceAsTypedValues()
    {
        struct Case {
            QList<QByteArray> pieces;
            bool endsInput;
            QByteArray answer;
            std::optional<TextPayload> text = {};
        };
        const QByteArray capped = "POST /sendtext HTTP/1.1\r\nContent-Length: 69950\r\n\r\n{\"title\":\"T\",\"text\":\""
            + QByteArray(69950, 'a') + "\"}";
        const QByteArray json = R"({"title":"T","text":"Ça"})";
        const PhoneRequest posted { PhoneRequest::Kind::sendText, {}, { "T", "Ça" } };
        const QByteArray badRequest = plainAnswer("400 Bad Request", "bad request");
        const QList<Case> cases {
            { { "GET /next HTTP/1.1\r\nHost: 10.0.0.2:4777\r\n\r\n" }, false, answered(nextCommand) },
            { { "GE", "T /ne", "xt HTTP/1.1\r\n", "\r\n" }, false, answered(nextCommand) },
            { { "POST /sendtext HTTP/1.1\r\nContent-Length: 26\r\n\r\n", json }, false, answered(posted), posted.text },
            { { "POST /sendtext HTTP/1.1\r\n" }, true, plainAnswer("400 Bad Request", "missing body") },
            { { "GET /prev " }, true, answered(previous) },
            // Cut at the cap, long before the deadline.
            { { capped }, false, plainAnswer("400 Bad Request", "invalid json") },
            { { "GET /nextslide HTTP/1.1\r\n\r\n" }, false, plainAnswer("404 Not Found", "unknown command") },
            { { "GET /pendingtext HTTP/1.1\r\n\r\n" }, false, answered({ PhoneRequest::Kind::pendingText, {}, {} }) },
            { { "GET /ping HTTP/1.1\r\n\r\n" }, false, plainAnswer("200 OK", "pong") },
            { {}, true, badRequest },
            { { "GET /next \xc0\xaf\r\n\r\n" }, false, badRequest },
        };
        for (const Case& c : cases) {
            Recorder recorder;
            quint16 port = 0;
            const auto listener = start(recorder, port, 60s);
            LoopbackHttpClient client(port);
            for (const QByteArray& piece : c.pieces) {
                client.send(piece);
                QTest::qWait(piece == c.pieces.last() ? 0 : 50);
                // Each piece alone would be routed wrongly.
                QVERIFY(piece == c.pieces.last() || !client.isClosed());
            }
            if (c.endsInput)
                client.endInput();
            QVERIFY(client.waitUntilClosed(20000));
            QCOMPARE(client.received(), c.answer);
            const bool isForTheService = c.answer.startsWith("HTTP/1.1 503");
            QCOMPARE(recorder.requests.size(), std::size_t(isForTheService));
            QVERIFY(!isForTheService || !c.text || recorder.requests.front().text == *c.text);
            QVERIFY(recorder.ranOnMainThreadOnly);
        }
    }

    // The page learns the desktop's clock, and its taps carry a deadline on it: one already past, or unreadable, is
    // answered at the edge and never reaches the keys; one ahead reaches the service with what is left of it.
    void aPageTapIsPressedBeforeItsDeadlineOrNever()
    {
        Recorder recorder;
        quint16 port = 0;
        const auto listener = start(recorder, port);
        const auto ask = [port](const QByteArray& head) {
            LoopbackHttpClient client(port);
            client.send(head + "\r\n");
            return client.waitUntilClosed(20000) ? client.received() : QByteArray();
        };
        const QByteArray clock = ask("GET /clock HTTP/1.1\r\n");
        const QByteArray desktopClock = clock.mid(clock.indexOf("\r\n\r\n") + 4);
        QCOMPARE(clock, plainAnswer("200 OK", desktopClock));
        QVERIFY(qAbs(desktopClock.toLongLong() - steadyMilliseconds()) < 1000);
        QCOMPARE(ask("POST /next HTTP/1.1\r\nX-Quorvelantis-Deadline: " + QByteArray::number(steadyMilliseconds() - 1)
                     + "\r\n"),
            plainAnswer("503 Service Unavailable", "not pressed"));
        QCOMPARE(ask("POST /next HTTP/1.1\r\nX-Quorvelantis-Deadline: soon\r\n"),
            plainAnswer("400 Bad Request", "bad request"));
        QVERIFY(recorder.requests.empty());
        ask("POST /last HTTP/1.1\r\nx-quorvelantis-deadline: " + QByteArray::number(steadyMilliseconds() + 5000)
            + "\r\n");
        QCOMPARE(recorder.requests.size(), std::size_t(1));
        QCOMPARE(recorder.requests[0].command, RemoteCommand::last);
        QVERIFY(recorder.requests[0].pressBefore && recorder.requests[0].pressBefore->remainingTime() > 3000);
    }

    // While only invited phones may connect, every route but the page and the pong needs a valid key, or the
    // invitation for the trade; the rest is refused at the edge, reaches nothing, and is reported by address.
    void withKeysRequiredOnlyAValidKeyReachesTheService()
    {
        const QByteArray key(32, 'k'), revoked(32, 'r'), invitation(32, 'i');
        Recorder recorder;
        quint16 port = 0;
        const auto listener
            = start(recorder, port, 10s, { true, { phoneSecretHash(key), phoneSecretHash(revoked) }, {} });
        listener->setPhoneKeys({ true, { phoneSecretHash(key) }, phoneSecretHash(invitation) });
        int refused = 0;
        connect(listener.get(), &HttpListener::refused, this, [&](const QString& address, int count) {
            QVERIFY(address.startsWith(QStringLiteral("127.0.")));
            refused += count;
        });
        quint32 host = 0x7f000100; // each case from a host of its own, so none is held off for the others' failures
        const auto ask = [&](const QByteArray& head, const QByteArray& body = {}) {
            LoopbackHttpClient client(port, QHostAddress(++host));
            client.send(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            return client.waitUntilClosed() ? client.received() : QByteArray("no answer");
        };
        const QByteArray json = R"({"title":"T","text":"x"})";
        const QList<QByteArray> routes { "GET /next ", "POST /prev ", "GET /pendingtext ", "POST /sendtext ",
            "GET /keytarget ", "GET /nextslide ", "POST /join " };
        for (const QByteArray& route : routes) {
            for (const QByteArray& header : { QByteArray(), "X-Quorvelantis-Key: " + QByteArray(32, 'w') + "\r\n",
                     "X-Quorvelantis-Key: " + revoked + "\r\n", "X-Quorvelantis-Key: " + key.first(31) + "\r\n",
                     "X-Quorvelantis-Invitation: " + key + "\r\n" })
                QCOMPARE(ask(route + "HTTP/1.1\r\n" + header, json), plainAnswer("403 Forbidden", "forbidden"));
        }
        QVERIFY(recorder.requests.empty());
        QTRY_COMPARE(refused, 5 * routes.size());
        QCOMPARE(ask("GET /ping HTTP/1.1\r\n"), plainAnswer("200 OK", "pong"));
        QVERIFY(ask("GET / HTTP/1.1\r\n").startsWith("HTTP/1.1 200 OK"));

        const QByteArray keyed = "HTTP/1.1\r\nX-Quorvelantis-Key: " + key + "\r\n";
        QCOMPARE(ask("GET /next " + keyed), answered(nextCommand));
        QCOMPARE(ask("POST /sendtext " + keyed, json), answered({ PhoneRequest::Kind::sendText, {}, {} }));
        QCOMPARE(ask("GET /nextslide " + keyed), plainAnswer("404 Not Found", "unknown command"));
        QCOMPARE(
            ask("POST /join HTTP/1.1\r\nUser-Agent: Firefox/1\r\nX-Quorvelantis-Invitation: " + invitation + "\r\n"),
            answered({ PhoneRequest::Kind::join, {}, {} }));
        QCOMPARE(recorder.requests.size(), 3u);
        QCOMPARE(recorder.requests[0].keyHash, phoneSecretHash(key));
        QCOMPARE(recorder.requests[1].text, (TextPayload { "T", "x" }));
        QCOMPARE(recorder.requests[2].invitation, invitation);
        QCOMPARE(recorder.requests[2].userAgent, QStringLiteral("Firefox/1"));
        QCOMPARE(recorder.requests[2].address, QHostAddress(host).toString());

        // Keys no longer required: the trade's route is as unknown as before, and a key changes nothing.
        listener->setPhoneKeys({});
        QTRY_COMPARE(ask("GET /next HTTP/1.1\r\n"), answered(nextCommand));
        QCOMPARE(ask("POST /join HTTP/1.1\r\nX-Quorvelantis-Invitation: " + invitation + "\r\n"),
            plainAnswer("404 Not Found", "unknown command"));
    }

    void aBurstIsAnsweredInFullAndInFewGroupsWhileTheMainThreadIsBusy()
    {
        Recorder recorder;
        quint16 port = 0;
        const auto listener = start(recorder, port);
        // Sending does not run the event loop, so the main thread answers nothing until every request is in: the
        // places fill with requests awaiting their answers, and past the cap the rest wait in the backlog.
        const QByteArray request = "GET /next HTTP/1.1\r\n\r\n";
        std::vector<int> clients;
        for (std::size_t index = 0; index < 2 * EpollHttpServer::maximumConnections; ++index) {
            clients.push_back(connectRaw(port));
            ::send(clients.back(), request.constData(), request.size(), MSG_NOSIGNAL);
            if (index == 9) {
                QThread::msleep(200);
                // At most the first request is asked for alone; those that came while it was answered go together.
                QTRY_COMPARE(recorder.requests.size(), std::size_t(10));
                QVERIFY2(recorder.groups <= 2, qPrintable(QString::number(recorder.groups)));
            }
        }
        // None is evicted or refused for want of a place.
        std::vector<QByteArray> received(clients.size());
        const auto readAll = [&] {
            for (std::size_t index = 0; index < clients.size(); ++index) {
                char buffer[4096];
                ssize_t length = -1;
                if (clients[index] < 0)
                    continue;
                while ((length = recv(clients[index], buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
                    received[index].append(buffer, length);
                if (length == 0)
                    ::close(std::exchange(clients[index], -1));
            }
            return std::ranges::count(clients, -1) == qsizetype(clients.size());
        };
        QTRY_VERIFY_WITH_TIMEOUT(readAll(), 30000);
        QCOMPARE(std::ranges::count(received, answered(nextCommand)), qsizetype(clients.size()));
    }

    void everyStageEndsByTheDeadline()
    {
        QTest::qWait(200); // earlier listeners close their sockets on the network thread
        const qsizetype descriptorsBefore = openDescriptorCount();
        Recorder recorder;
        recorder.isAnswering = false;
        quint16 port = 0;
        auto listener = start(recorder, port, 1000ms);
        LoopbackHttpClient idle(port);
        LoopbackHttpClient unfinished(port);
        unfinished.send("GET /prev HTTP/1.1\r\nHost: 10.0.0.2:4777\r\n");
        LoopbackHttpClient unanswered(port);
        unanswered.send("GET /next HTTP/1.1\r\n\r\n");
        QTest::qWait(500);
        QVERIFY(!idle.isClosed() && !unfinished.isClosed() && !unanswered.isClosed());

        // What came by the deadline is routed; an answer that never comes ends the connection.
        recorder.isAnswering = true;
        QVERIFY(idle.waitUntilClosed() && unfinished.waitUntilClosed() && unanswered.waitUntilClosed());
        QCOMPARE(idle.received(), plainAnswer("400 Bad Request", "bad request"));
        QCOMPARE(unfinished.received(), answered(previous));
        QVERIFY(unanswered.received().isEmpty());
        // The server goes on asking the service.
        LoopbackHttpClient next(port);
        next.send("GET /next HTTP/1.1\r\n\r\n");
        QVERIFY(next.waitUntilClosed());
        QCOMPARE(next.received(), answered(nextCommand));

        // Destroyed while a request's hop is queued for this thread, which has not run it yet: nothing more reaches
        // the service, and every descriptor is closed.
        LoopbackHttpClient last(port);
        last.send("GET /next HTTP/1.1\r\n\r\n");
        QThread::msleep(200);
        listener.reset();
        QVERIFY(last.waitUntilClosed() && last.received().isEmpty());
        QCOMPARE(recorder.requests.size(), 3u);
        QTRY_COMPARE(openDescriptorCount(), descriptorsBefore);
    }

    void aPhoneInPiecesOutlastsAFlood()
    {
        // Each flood fills every place and keeps opening more, so each new connection evicts an incomplete one; the
        // phone, older and silent longer than any of them, stays. From as many addresses as connections, sending
        // nothing; from one address, or from addresses all over one IPv6 /64, each sending a request's start.
        const QByteArray firstLine = "GET / HTTP/1.1\r\n";
        const QList<std::pair<std::function<QHostAddress(quint32)>, QByteArray>> floods {
            { [](quint32 index) { return QHostAddress(0x7f010000 + index); }, {} },
            { [](quint32) { return QHostAddress(QStringLiteral("127.0.0.3")); }, firstLine },
            { [](quint32 index) {
                 return QHostAddress(
                     QStringLiteral("fd00:1::%1:%2").arg((index * 7919) & 0xffff, 0, 16).arg(index, 0, 16));
             },
                firstLine },
        };
        for (const auto& [source, sent] : floods) {
            Recorder recorder;
            quint16 port = 0;
            const auto listener = start(recorder, port);
            LoopbackHttpClient phone(port, QHostAddress(QStringLiteral("127.0.0.2")));
            phone.send("GET /next HTTP/1.1\r\n");
            QThread::msleep(10);
            std::vector<int> flood;
            for (quint32 index = 0; index < 1100; ++index) {
                flood.push_back(connectRaw(port, source(index)));
                // The IPv6 sources are routed to this host by the test's own network namespace.
                QVERIFY2(flood.back() >= 0, qPrintable(source(index).toString() + ": " + strerror(errno)));
                ::send(flood.back(), sent.constData(), sent.size(), MSG_NOSIGNAL);
            }
            // Some of the flood has been evicted: the places were all taken.
            char byte = 0;
            QTRY_VERIFY(std::ranges::count_if(flood, [&](int d) { return recv(d, &byte, 1, MSG_DONTWAIT) == 0; }) > 0);
            phone.send("\r\n");
            QVERIFY(phone.waitUntilClosed());
            QVERIFY2(phone.received() == answered(nextCommand),
                qPrintable("The phone was evicted by a flood from " + source(0).toString()));
            for (const int descriptor : flood)
                ::close(descriptor);
        }
    }

    void acceptResumesOnceADescriptorFrees()
    {
        Recorder recorder;
        quint16 port = 0;
        const auto listener = start(recorder, port);
        // Awaits its answer, so it cannot be evicted to make room.
        LoopbackHttpClient busy(port);
        busy.send("GET /next HTTP/1.1\r\n\r\n");
        QThread::msleep(100);

        // Every descriptor taken but the phone's own: the server cannot accept it.
        rlimit limit {};
        getrlimit(RLIMIT_NOFILE, &limit);
        const rlimit raised = limit;
        limit.rlim_cur = openDescriptorCount() + 8;
        setrlimit(RLIMIT_NOFILE, &limit);
        std::vector<int> fillers;
        for (int descriptor; (descriptor = dup(0)) >= 0;)
            fillers.push_back(descriptor);
        ::close(fillers.back());
        fillers.pop_back();
        LoopbackHttpClient phone(port);
        phone.send("GET /ping\r\n\r\n");
        QThread::msleep(100);

        // Answering the busy client frees a descriptor; no other client arrives.
        QVERIFY(busy.waitUntilClosed() && phone.waitUntilClosed(3000));
        QCOMPARE(phone.received(), plainAnswer("200 OK", "pong"));
        for (const int descriptor : fillers)
            ::close(descriptor);
        setrlimit(RLIMIT_NOFILE, &raised);
    }

    void cancelClosesThePortAndAnswersWhatItHolds()
    {
        Recorder recorder;
        quint16 port = 0;
        const auto listener = start(recorder, port);
        LoopbackHttpClient held(port);
        held.send("GET /next HTTP/1.1\r\n");
        QTest::qWait(50);

        listener->cancel();
        QTRY_VERIFY(!LoopbackHttpClient(port).isConnected());
        held.send("\r\n");
        QVERIFY(held.waitUntilClosed());
        QCOMPARE(held.received(), answered(nextCommand));
        QTRY_VERIFY(listener->isFinished());

        // A successor takes the same port; a listener cancelled before its first report reports nothing.
        Recorder successor;
        const auto next = successor.watch(HttpServerListener::Factory(m_network, 0).listen(port, successor, {}));
        Recorder early;
        const HeldPort unused;
        const auto cancelledAtOnce
            = early.watch(HttpServerListener::Factory(m_network, 0).listen(unused.port(), early, {}));
        cancelledAtOnce->cancel();
        QTRY_COMPARE(successor.states, QList({ HttpListenerState::starting, HttpListenerState::ready }));
        QCOMPARE(recorder.states.size(), 2);
        QVERIFY(early.states.isEmpty());

        // The log says why, in the system's words.
        QTest::ignoreMessage(QtWarningMsg,
            qPrintable(QStringLiteral("Cannot listen on port %1: %2").arg(port).arg(strerror(EADDRINUSE))));
        Recorder occupied;
        const auto refused = occupied.watch(HttpServerListener::Factory(m_network, 0).listen(port, occupied, {}));
        QTRY_COMPARE(occupied.states, QList({ HttpListenerState::starting, HttpListenerState::failed }));
    }
};

QTEST_GUILESS_MAIN(HttpListenerTest)
#include "test_http_listener.moc"
