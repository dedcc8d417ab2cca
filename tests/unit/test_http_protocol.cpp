#include "transport/http/ForeignPageCheck.h"
#include "transport/http/HttpAnswerFraming.h"
#include "transport/http/HttpRequestGathering.h"
#include "transport/http/HttpRouting.h"
#include "transport/http/WebRemotePage.h"

#include <QTest>

namespace {

QByteArray plain(const char* status, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray(status) + "\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\n" + body;
}

}

class HttpProtocolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void routing()
    {
        const QList<std::pair<QByteArray, HttpRoute>> routes {
            { "GET /next HTTP/1.1\r\n\r\n", HttpRoute::next },
            { "POST /next HTTP/1.1\r\n\r\n", HttpRoute::next },
            { "GET /prev HTTP/1.1\r\n\r\n", HttpRoute::previous },
            { "POST /prev ", HttpRoute::previous },
            { "GET /pendingtext?t=1 HTTP/1.1", HttpRoute::pendingText },
            { "POST /sendtext HTTP/1.1\r\n\r\n{}", HttpRoute::sendText },
            { "GET /keytarget HTTP/1.1\r\n\r\n", HttpRoute::keyTarget },
            // The trailing blank is part of a prefix; the match is exact and case-sensitive.
            { "GET /next\r\n\r\n", HttpRoute::unknown },
            { "GET /next?x=1 HTTP/1.1", HttpRoute::unknown },
            { "GET /nextslide HTTP/1.1", HttpRoute::unknown },
            { "get /next HTTP/1.1", HttpRoute::unknown },
            { "GET /nex", HttpRoute::unknown },
            { "POST /sendtext?x HTTP/1.1", HttpRoute::unknown },
            { "POST /ping ", HttpRoute::unknown },
            // Only "GET / " with its blank is the remote page.
            { "GET /\r\n\r\n", HttpRoute::unknown },
            { "GET /? HTTP/1.1", HttpRoute::unknown },
            { "GET /x HTTP/1.1", HttpRoute::unknown },
            { "GET /favicon.ico HTTP/1.1", HttpRoute::unknown },
            { "POST / HTTP/1.1", HttpRoute::unknown },
        };
        const QByteArray page = webRemotePageAnswer(4778);
        for (const auto& [request, route] : routes) {
            QCOMPARE(routeFor(request), route);
            QVERIFY(!fixedAnswerFor(request, page));
        }
        for (const QByteArray request : { "GET /ping", "GET /ping HTTP/1.1\r\n\r\n", "GET /pingpong" })
            QCOMPARE(*fixedAnswerFor(request, page), plain("200 OK", "pong"));
        QCOMPARE(fixedAnswerFor("GET / HTTP/1.1\r\nHost: a\r\n\r\n", page), &page);
    }

    void pageAnswerIsFramedAndToldThePeerPort()
    {
        const QByteArray answer = webRemotePageAnswer(4778);
        const qsizetype headEnd = answer.indexOf("\r\n\r\n") + 4;
        const QByteArray body = answer.sliced(headEnd);
        QCOMPARE(answer.first(headEnd),
            "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
                + "\r\nConnection: close\r\nContent-Type: text/html; charset=utf-8\r\n\r\n");
        QVERIFY(body.startsWith("<!DOCTYPE html>") && body.contains("data-peer-port=\"4778\""));
        QVERIFY(body.size() < 30 * 1024);
        QVERIFY(!body.contains("@PEER_PORT@") && !body.contains("src=\"http") && !body.contains("href=\"http"));
    }

    void aForeignPageIsToldApartFromThePhoneAndThePageServedHere()
    {
        const QList<QByteArray> names { "localhost", "desk", "desk.local" };
        const QList<std::pair<QByteArray, bool>> heads {
            { "GET /next HTTP/1.1\r\nHost: 192.168.1.5:4777\r\n\r\n", false },
            { "GET /next HTTP/1.1\r\n\r\n", false },
            { "POST /next HTTP/1.1\r\nHost: 127.0.0.1:4777\r\nOrigin: http://127.0.0.1:4777\r\n"
              "Sec-Fetch-Site: same-origin\r\n\r\n",
                false },
            { "GET / HTTP/1.1\r\nhost: [::1]:4777\r\nSec-Fetch-Site: none\r\n\r\n", false },
            { "GET / HTTP/1.1\r\nHost: Desk.local:4777\r\norigin: http://desk.LOCAL:4777\r\n\r\n", false },
            { "POST /sendtext HTTP/1.1\r\nHost: 127.0.0.1:4777\r\nOrigin: http://evil.example\r\n\r\n", true },
            { "POST /next HTTP/1.1\r\nHost: 127.0.0.1:4777\r\nOrigin: http://127.0.0.1:8080\r\n\r\n", true },
            { "POST /next HTTP/1.1\r\nOrigin: http://127.0.0.1:4777\r\n\r\n", true },
            { "GET /pendingtext HTTP/1.1\r\nHost: rebind.evil.example:4777\r\n\r\n", true },
            { "GET /next HTTP/1.1\r\nHost: 10.0.0.2:4777\r\nSec-Fetch-Site: cross-site\r\n\r\n", true },
            { "GET /next HTTP/1.1\r\nHost: 10.0.0.2:4777\r\nSec-Fetch-Site: same-site\r\n\r\n", true },
            // Only the head counts: a body may say anything.
            { "POST /sendtext HTTP/1.1\r\nContent-Length: 20\r\n\r\nOrigin: http://x\r\n", false },
        };
        for (const auto& [head, isForeign] : heads)
            QVERIFY2(isForeignPageRequest(head, names) == isForeign, head.constData());

        const QList<QByteArray> hosts { "localhost", "127.0.0.1", "[::1]", "192.168.1.5" };
        QVERIFY(isOwnPageOrigin("", hosts, 4777));
        QVERIFY(isOwnPageOrigin("http://192.168.1.5:4777", hosts, 4777));
        QVERIFY(isOwnPageOrigin("http://[::1]:4777", hosts, 4777));
        for (const QByteArray origin : { "http://evil.example", "http://192.168.1.6:4777", "http://127.0.0.1:4778",
                 "https://127.0.0.1:4777", "null" })
            QVERIFY2(!isOwnPageOrigin(origin, hosts, 4777), origin.constData());
        QVERIFY(!isOwnPageOrigin("http://127.0.0.1:0", hosts, 0));
        QCOMPARE(forbiddenAnswer(), plain("403 Forbidden", "forbidden"));
    }

    void framing()
    {
        using Kind = HttpOutcome::Kind;
        // 24 characters, one of them two bytes long.
        const QByteArray json = QStringLiteral("{\"title\":\"é\",\"text\":\"x\"}").toUtf8();
        const QList<std::pair<HttpOutcome, QByteArray>> cases {
            { { Kind::commandDone, {} }, plain("200 OK", "ok") },
            { { Kind::noPendingText, {} }, plain("204 No Content", "{}") },
            { { Kind::textAccepted, {} }, plain("200 OK", "sent") },
            { { Kind::missingBody, {} }, plain("400 Bad Request", "missing body") },
            { { Kind::invalidJson, {} }, plain("400 Bad Request", "invalid json") },
            { { Kind::emptyText, "Texte vide" }, plain("503 Service Unavailable", "Texte vide") },
            { { Kind::unknown, {} }, plain("404 Not Found", "unknown command") },
            { { Kind::pendingText, json },
                "HTTP/1.1 200 OK\r\nContent-Length: 25\r\nConnection: close\r\nContent-Type: application/json\r\n\r\n"
                    + json },
        };
        for (const auto& [outcome, frame] : cases)
            QCOMPARE(frameOutcome(outcome), frame);
        QCOMPARE(badRequestAnswer(), plain("400 Bad Request", "bad request"));
    }

    void gathering()
    {
        const QList<std::pair<QByteArray, bool>> cases {
            { "GET /next HTTP/1.1\r\n", false },
            { "GET /next HTTP/1.1\r\nHost: a\r\n\r", false },
            { "GET /next HTTP/1.1\r\nHost: a\r\n\r\n", true },
            { "POST /sendtext HTTP/1.1\r\nContent-Length: 5\r\n\r\nhel", false },
            { "POST /sendtext HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", true },
            { "POST /sendtext HTTP/1.1\r\nHost: a\r\ncontent-LENGTH:5\r\n\r\nhel", false },
            { "POST /sendtext HTTP/1.1\r\nContent-Length: many\r\n\r\n", true },
            { "POST /sendtext HTTP/1.1\r\n\r\nContent-Length: 9\r\n", true },
            // Never waited for: the cap ends the gathering first.
            { "POST /sendtext HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\nabc", false },
        };
        for (const auto& [bytes, isComplete] : cases)
            QVERIFY2(isRequestComplete(bytes) == isComplete, bytes.constData());

        QCOMPARE(bodyAfterHead("POST /sendtext HTTP/1.1\r\nHost: a\r\n"), std::nullopt);
        QCOMPARE(bodyAfterHead("POST /sendtext HTTP/1.1\r\n\r\n"), QByteArray());
        // Whatever the headers announce, everything after the head is the body.
        QCOMPARE(bodyAfterHead("POST /sendtext \r\nContent-Length: 1\r\n\r\n{}\r\n\r\nx"), QByteArray("{}\r\n\r\nx"));
    }
};

QTEST_GUILESS_MAIN(HttpProtocolTest)
#include "test_http_protocol.moc"
