#include "transport/http/HttpAnswerFraming.h"
#include "transport/http/HttpRequestGathering.h"
#include "transport/http/HttpRouting.h"
#include "transport/http/OpenFileLimit.h"

#include <QTest>
#include <sys/resource.h>

Q_DECLARE_METATYPE(HttpRoute)

class HttpProtocolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void routing_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<HttpRoute>("route");
        QTest::newRow("next") << QByteArray("GET /next HTTP/1.1\r\n\r\n") << HttpRoute::next;
        QTest::newRow("posted next") << QByteArray("POST /next HTTP/1.1\r\n\r\n") << HttpRoute::next;
        QTest::newRow("previous") << QByteArray("GET /prev HTTP/1.1\r\n\r\n") << HttpRoute::previous;
        QTest::newRow("posted previous") << QByteArray("POST /prev ") << HttpRoute::previous;
        QTest::newRow("next without blank") << QByteArray("GET /next\r\n\r\n") << HttpRoute::unknown;
        QTest::newRow("next with query") << QByteArray("GET /next?x=1 HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("longer path") << QByteArray("GET /nextslide HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("lower case") << QByteArray("get /next HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("HEAD") << QByteArray("HEAD /next HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("posted ping") << QByteArray("POST /ping ") << HttpRoute::unknown;
        QTest::newRow("pending text") << QByteArray("GET /pendingtext HTTP/1.1") << HttpRoute::pendingText;
        QTest::newRow("pending text query") << QByteArray("GET /pendingtext?t=1 HTTP/1.1") << HttpRoute::pendingText;
        QTest::newRow("send text") << QByteArray("POST /sendtext HTTP/1.1\r\n\r\n{}") << HttpRoute::sendText;
        QTest::newRow("send text query") << QByteArray("POST /sendtext?x HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("send text by GET") << QByteArray("GET /sendtext HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("leading blank") << QByteArray(" GET /next HTTP/1.1") << HttpRoute::unknown;
        QTest::newRow("prefix cut short") << QByteArray("GET /nex") << HttpRoute::unknown;
        QTest::newRow("empty") << QByteArray() << HttpRoute::unknown;
    }

    void routing()
    {
        QFETCH(QByteArray, request);
        QFETCH(HttpRoute, route);
        QCOMPARE(routeFor(request), route);
        QVERIFY(!fixedAnswerFor(request));
    }

    void pingIsAnsweredWithoutTheService()
    {
        const QByteArray pong
            = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\npong";
        for (const QByteArray request : { "GET /ping", "GET /ping HTTP/1.1\r\n\r\n", "GET /pingpong" })
            QCOMPARE(*fixedAnswerFor(request), pong);
    }

    void framing()
    {
        using Kind = HttpOutcome::Kind;
        const auto plain = [](const char* status, const QByteArray& body) {
            return "HTTP/1.1 " + QByteArray(status) + "\r\nContent-Length: " + QByteArray::number(body.size())
                + "\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\n" + body;
        };
        const QList<std::pair<HttpOutcome, QByteArray>> cases {
            { { Kind::commandDone, {} }, plain("200 OK", "ok") },
            { { Kind::noPendingText, {} }, plain("204 No Content", "{}") },
            { { Kind::textAccepted, {} }, plain("200 OK", "sent") },
            { { Kind::missingBody, {} }, plain("400 Bad Request", "missing body") },
            { { Kind::invalidJson, {} }, plain("400 Bad Request", "invalid json") },
            { { Kind::emptyText, "Texte vide" }, plain("503 Service Unavailable", "Texte vide") },
            { { Kind::unknown, {} }, plain("404 Not Found", "unknown command") },
            // 24 characters, one of them two bytes long.
            { { Kind::pendingText, QStringLiteral("{\"title\":\"é\",\"text\":\"x\"}").toUtf8() },
                "HTTP/1.1 200 OK\r\nContent-Length: 25\r\nConnection: close\r\nContent-Type: application/json\r\n\r\n"
                    + QStringLiteral("{\"title\":\"é\",\"text\":\"x\"}").toUtf8() },
        };
        for (const auto& [outcome, frame] : cases)
            QCOMPARE(frameOutcome(outcome), frame);
        QCOMPARE(badRequestAnswer(), plain("400 Bad Request", "bad request"));
    }

    void gathering_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isComplete");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("request line only") << QByteArray("GET /next HTTP/1.1\r\n") << false;
        QTest::newRow("head cut inside its end") << QByteArray("GET /next HTTP/1.1\r\nHost: a\r\n\r") << false;
        QTest::newRow("whole head") << QByteArray("GET /next HTTP/1.1\r\nHost: a\r\n\r\n") << true;
        QTest::newRow("head of a bare line") << QByteArray("GET /next \r\n\r\n") << true;
        QTest::newRow("body still missing")
            << QByteArray("POST /sendtext HTTP/1.1\r\nContent-Length: 5\r\n\r\n") << false;
        QTest::newRow("body half in") << QByteArray("POST /sendtext HTTP/1.1\r\nContent-Length: 5\r\n\r\nhel") << false;
        QTest::newRow("body in") << QByteArray("POST /sendtext HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello") << true;
        QTest::newRow("header name in any case")
            << QByteArray("POST /sendtext HTTP/1.1\r\nHost: a\r\ncontent-LENGTH:5\r\n\r\nhel") << false;
        QTest::newRow("zero length") << QByteArray("POST /sendtext HTTP/1.1\r\nContent-Length: 0\r\n\r\n") << true;
        QTest::newRow("unreadable length")
            << QByteArray("POST /sendtext HTTP/1.1\r\nContent-Length: many\r\n\r\n") << true;
        QTest::newRow("length only in the body")
            << QByteArray("POST /sendtext HTTP/1.1\r\n\r\nContent-Length: 9\r\n") << true;
        QTest::newRow("length beyond the cap")
            << QByteArray("POST /sendtext HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\nabc") << false;
    }

    void gathering()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isComplete);
        QCOMPARE(isRequestComplete(bytes), isComplete);
    }

    void bodyAfterHead()
    {
        QCOMPARE(::bodyAfterHead("POST /sendtext HTTP/1.1\r\nHost: a\r\n"), std::nullopt);
        QCOMPARE(::bodyAfterHead("POST /sendtext HTTP/1.1\r\n\r\n"), QByteArray());
        // Whatever the headers announce, everything after the head is the body.
        QCOMPARE(::bodyAfterHead("POST /sendtext \r\nContent-Length: 1\r\n\r\n{}\r\n\r\nx"), QByteArray("{}\r\n\r\nx"));
    }

    void openFileLimitIsRaisedToTheHardLimit()
    {
        rlimit limit {};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
        if (limit.rlim_max < 2048)
            QSKIP("the hard limit of open files leaves no room to lower the soft one");
        const rlim_t hard = limit.rlim_max;
        limit.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);
        raiseOpenFileLimit();
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &limit), 0);
        QCOMPARE(limit.rlim_cur, hard);
    }
};

QTEST_GUILESS_MAIN(HttpProtocolTest)
#include "test_http_protocol.moc"
