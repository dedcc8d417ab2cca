#include "LoopbackHttpClient.h"
#include "transport/http/ForeignNamePage.h"
#include "transport/http/HttpAnswerFraming.h"
#include "transport/http/HttpRequestParser.h"
#include "transport/http/WebRemotePage.h"

namespace {

HttpRequest::Target targetOf(QByteArrayView bytes) { return parseHttpRequest(bytes, true)->target; }

RequestSource sourceOf(QByteArrayView head, const OwnHostNames& names)
{
    return requestSource(parseHttpRequest(head, true)->marks, names);
}

}

class HttpProtocolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void routing()
    {
        using Target = HttpRequest::Target;
        const QList<std::pair<QByteArray, Target>> routes {
            { "GET /next HTTP/1.1\r\n\r\n", Target::next },
            { "POST /next HTTP/1.1\r\n\r\n", Target::next },
            { "GET /prev HTTP/1.1\r\n\r\n", Target::previous },
            { "POST /prev ", Target::previous },
            { "GET /black HTTP/1.1\r\n\r\n", Target::blackScreen },
            { "POST /black ", Target::blackScreen },
            { "GET /first ", Target::first },
            { "POST /first HTTP/1.1\r\n\r\n", Target::first },
            { "GET /last ", Target::last },
            { "POST /last HTTP/1.1\r\n\r\n", Target::last },
            { "GET /pendingtext?t=1 HTTP/1.1", Target::pendingText },
            { "POST /sendtext HTTP/1.1\r\n\r\n{}", Target::sendText },
            { "GET /keytarget HTTP/1.1\r\n\r\n", Target::keyTarget },
            { "GET /clock HTTP/1.1\r\n\r\n", Target::clock },
            { "GET /ping", Target::ping },
            { "GET /pingpong", Target::ping },
            { "GET / HTTP/1.1\r\nHost: a\r\n\r\n", Target::page },
            // The trailing blank is part of a prefix; the match is exact and case-sensitive.
            { "GET /next\r\n\r\n", Target::unknown },
            { "GET /next?x=1 HTTP/1.1", Target::unknown },
            { "GET /nextslide HTTP/1.1", Target::unknown },
            { "POST /blackout HTTP/1.1", Target::unknown },
            { "POST /last?x HTTP/1.1", Target::unknown },
            { "get /next HTTP/1.1", Target::unknown },
            { "GET /nex", Target::unknown },
            { "POST /sendtext?x HTTP/1.1", Target::unknown },
            { "POST /ping ", Target::unknown },
            // Only "GET / " with its blank is the remote page.
            { "GET /\r\n\r\n", Target::unknown },
            { "GET /? HTTP/1.1", Target::unknown },
            { "GET /favicon.ico HTTP/1.1", Target::unknown },
            { "POST / HTTP/1.1", Target::unknown },
        };
        for (const auto& [request, target] : routes)
            QVERIFY2(targetOf(request) == target, request.constData());
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
        QVERIFY2(body.size() < 30000, QByteArray::number(body.size()));
        QVERIFY(!body.contains("@PEER_PORT@") && !body.contains("src=\"http") && !body.contains("href=\"http"));
    }

    void aForeignPageOrNameIsToldApartFromThePhoneAndThePageServedHere()
    {
        using Source = RequestSource;
        const OwnHostNames names { { "localhost", "desk" }, { ".local", ".fritz.box" } };
        const QList<std::pair<QByteArray, Source>> heads {
            { "GET /next HTTP/1.1\r\nHost: 192.168.1.5:4777\r\n\r\n", Source::ownPage },
            { "GET /next HTTP/1.1\r\n\r\n", Source::ownPage },
            { "POST /next HTTP/1.1\r\nHost: 127.0.0.1:4777\r\nOrigin: http://127.0.0.1:4777\r\n"
              "Sec-Fetch-Site: same-origin\r\n\r\n",
                Source::ownPage },
            { "GET / HTTP/1.1\r\nhost: [::1]:4777\r\nSec-Fetch-Site: none\r\n\r\n", Source::ownPage },
            { "GET / HTTP/1.1\r\nHost: Desk.local:4777\r\norigin: http://desk.LOCAL:4777\r\n\r\n", Source::ownPage },
            // Names under the local network's domains, and any mDNS name, as routers and phones write them.
            { "GET /ping HTTP/1.1\r\nHost: desk.fritz.box:4777\r\n\r\n", Source::ownPage },
            { "GET /ping HTTP/1.1\r\nHost: DESK:4777\r\n\r\n", Source::ownPage },
            { "GET /ping HTTP/1.1\r\nHost: other-name.local.\r\n\r\n", Source::ownPage },
            { "POST /sendtext HTTP/1.1\r\nHost: 127.0.0.1:4777\r\nOrigin: http://evil.example\r\n\r\n",
                Source::foreignPage },
            { "POST /next HTTP/1.1\r\nHost: 127.0.0.1:4777\r\nOrigin: http://127.0.0.1:8080\r\n\r\n",
                Source::foreignPage },
            { "POST /next HTTP/1.1\r\nOrigin: http://127.0.0.1:4777\r\n\r\n", Source::foreignPage },
            { "GET /next HTTP/1.1\r\nHost: 10.0.0.2:4777\r\nSec-Fetch-Site: cross-site\r\n\r\n", Source::foreignPage },
            { "GET /next HTTP/1.1\r\nHost: 10.0.0.2:4777\r\nSec-Fetch-Site: same-site\r\n\r\n", Source::foreignPage },
            // A DNS name rebound to this machine, one that merely ends like an own domain, or the domain itself.
            { "GET /pendingtext HTTP/1.1\r\nHost: rebind.evil.example:4777\r\n\r\n", Source::foreignName },
            { "GET / HTTP/1.1\r\nHost: evilfritz.box\r\n\r\n", Source::foreignName },
            { "GET / HTTP/1.1\r\nHost: desk.evil\r\n\r\n", Source::foreignName },
            { "GET / HTTP/1.1\r\nHost: .local\r\n\r\n", Source::foreignName },
            // Only the head counts: a body may say anything.
            { "POST /sendtext HTTP/1.1\r\nContent-Length: 20\r\n\r\nOrigin: http://x\r\n", Source::ownPage },
        };
        for (const auto& [head, source] : heads)
            QVERIFY2(sourceOf(head, names) == source, head.constData());
    }

    // The remote page's, or a client library's naming the endpoint: the page's or the peer link's port, on one of
    // the machine's names or addresses, whatever the scheme.
    void aWebSocketOriginNamesThisMachine()
    {
        const OwnHostNames names { { "localhost", "desk" }, { ".local" } };
        const QList<QHostAddress> addresses { QHostAddress::LocalHost, QHostAddress::LocalHostIPv6,
            QHostAddress(QStringLiteral("192.168.1.5")) };
        const QList<quint16> ports { 4778, 4777 };
        for (const QByteArray origin : { "", "http://192.168.1.5:4777", "http://[::1]:4777", "http://[0::1]:4778",
                 "http://127.0.0.1:4778", "ws://desk.local:4778", "WSS://Desk:4778", "https://localhost:4777" })
            QVERIFY2(isOwnOrigin(origin, names, addresses, ports), origin.constData());
        for (const QByteArray origin : { "null", "http://evil.example:4778", "ws://192.168.1.6:4778",
                 "http://127.0.0.1:8000", "http://127.0.0.1", "ftp://127.0.0.1:4778", "http://127.0.0.1:4778/x",
                 "http://[::1]x4778", "http://[::1", "ws://:4778", "file://", "http://localhost.evil:4778" })
            QVERIFY2(!isOwnOrigin(origin, names, addresses, ports), origin.constData());
        // The scheme's own port, which an origin leaves out.
        QVERIFY(isOwnOrigin("http://desk", names, addresses, { 80 }));
        QVERIFY(isOwnOrigin("wss://desk", names, addresses, { 443 }));
        QVERIFY(!isOwnOrigin("http://evil.example/x.local", names, addresses, { 80 }));
    }

    void aForeignNameIsShownTheAddressToOpen()
    {
        const auto page = [](const QByteArray& languages) {
            const QByteArray head = "GET / HTTP/1.1\r\nHost: desk.evil\r\nAccept-Language: " + languages + "\r\n\r\n";
            const QByteArray answer
                = foreignNameAnswer(parseHttpRequest(head, false)->acceptLanguage, "192.168.1.5", 4777);
            const QByteArray body = answer.sliced(answer.indexOf("\r\n\r\n") + 4);
            [&] {
                QCOMPARE(answer.first(answer.size() - body.size()),
                    "HTTP/1.1 403 Forbidden\r\nContent-Length: " + QByteArray::number(body.size())
                        + "\r\nConnection: close\r\nContent-Type: text/html; charset=utf-8\r\n\r\n");
                QVERIFY(body.contains("<a href=\"http://192.168.1.5:4777/\">http://192.168.1.5:4777/</a>"));
                QVERIFY(!body.contains("desk.evil"));
            }();
            return body.contains("lang=\"en\"") && body.contains("Open this address instead:")   ? "en"
                : body.contains("lang=\"fr\"") && body.contains("Ouvrez plutôt cette adresse :") ? "fr"
                                                                                                 : "?";
        };
        // As the remote page chooses: the first language it speaks, by weight; English otherwise.
        QCOMPARE(page("en-US,en;q=0.9"), "en");
        QCOMPARE(page("de-DE, EN;q=0.8, fr;q=0.5"), "en");
        QCOMPARE(page("fr-CH, fr;q=0.9, en;q=0.8"), "fr");
        QCOMPARE(page("en;q=0.3, fr;q=0.7"), "fr");
        QCOMPARE(page("de, es, fr;q=0.1"), "fr");
        QCOMPARE(page("de, es"), "en");
        QCOMPARE(page("fr;q=0"), "en");
        QVERIFY(foreignNameAnswer(std::nullopt, "[fe80::1]", 80).contains("\"http://[fe80::1]:80/\""));
    }

    void framing()
    {
        using Kind = PhoneAnswer::Kind;
        const TextPayload text { QStringLiteral("é"), QStringLiteral("x") };
        const QList<std::pair<PhoneAnswer, QByteArray>> cases {
            { { Kind::commandDone, {}, {}, {}, {} }, plainAnswer("200 OK", "ok") },
            { { Kind::noPendingText, {}, {}, {}, {} }, plainAnswer("204 No Content", "{}") },
            { { Kind::textAccepted, {}, {}, {}, {} }, plainAnswer("200 OK", "sent") },
            { { Kind::textRefused, {}, QStringLiteral("Texte vide"), {}, {} },
                plainAnswer("503 Service Unavailable", "Texte vide") },
            // 24 characters, one of them two bytes long.
            { { Kind::pendingText, text, {}, {}, {} },
                "HTTP/1.1 200 OK\r\nContent-Length: 25\r\nConnection: close\r\nContent-Type: application/json\r\n\r\n"
                    + QStringLiteral("{\"title\":\"é\",\"text\":\"x\"}").toUtf8() },
            { { Kind::keyTarget, {}, {}, { KeyTarget::State::nothing, {} }, {} },
                "HTTP/1.1 200 OK\r\nContent-Length: 42\r\nConnection: close\r\nContent-Type: application/json\r\n\r\n"
                "{\"name\":\"\",\"program\":\"\",\"state\":\"nothing\"}" },
        };
        for (const auto& [answer, frame] : cases)
            QCOMPARE(framePhoneAnswer(answer), frame);
        const QList<std::pair<FixedAnswer, QByteArray>> fixed {
            { FixedAnswer::pong, plainAnswer("200 OK", "pong") },
            { FixedAnswer::badRequest, plainAnswer("400 Bad Request", "bad request") },
            { FixedAnswer::forbidden, plainAnswer("403 Forbidden", "forbidden") },
            { FixedAnswer::unknownCommand, plainAnswer("404 Not Found", "unknown command") },
            { FixedAnswer::missingBody, plainAnswer("400 Bad Request", "missing body") },
            { FixedAnswer::invalidJson, plainAnswer("400 Bad Request", "invalid json") },
        };
        for (const auto& [which, frame] : fixed)
            QCOMPARE(fixedAnswer(which), frame);
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
            QVERIFY2(parseHttpRequest(bytes, false).has_value() == isComplete, bytes.constData());

        // What came is read when no more will come; the body is everything after the head, whatever the headers say.
        QCOMPARE(parseHttpRequest("POST /sendtext HTTP/1.1\r\nHost: a\r\n", true)->body, std::nullopt);
        QCOMPARE(parseHttpRequest("POST /sendtext HTTP/1.1\r\n\r\n", true)->body, QByteArrayView(""));
        QCOMPARE(parseHttpRequest("POST /sendtext \r\nContent-Length: 1\r\n\r\n{}\r\n\r\nx", false)->body,
            QByteArrayView("{}\r\n\r\nx"));
        QCOMPARE(parseHttpRequest("", true)->target, HttpRequest::Target::unknown);
    }
};

QTEST_GUILESS_MAIN(HttpProtocolTest)
#include "test_http_protocol.moc"
