#include "FakePlatform.h"
#include "LoopbackHttpClient.h"
#include "transport/NetworkThread.h"
#include "transport/http/TcpHttpListenerFactory.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QThread>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

QByteArray exchange(quint16 port, const QByteArray& request)
{
    LoopbackHttpClient client(port);
    client.send(request);
    return client.waitUntilClosed() ? client.received() : QByteArray("no answer");
}

QByteArray jsonAnswer(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\nContent-Type: application/json\r\n\r\n" + body;
}

}

// The real service behind the real server on its network thread; only the desktop's seams are fakes.
class HttpServiceTest : public QObject {
    Q_OBJECT

private:
    NetworkThread m_network;

private Q_SLOTS:
    void aPendingTextRidesOnTheNextCommandOnce()
    {
        FakePlatform fakes;
        TcpHttpListenerFactory factory(m_network);
        const quint16 port = freePort();
        fakes.settings.setInteger(QStringLiteral("macRemotePort"), port);
        MacRemoteService service(
            { fakes.keys, fakes.permission, fakes.timers, fakes.settings, fakes.interfaces, fakes.peerLink, factory });
        QTRY_COMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port %1").arg(port));

        service.sendText(QStringLiteral("Note \"1\""), QStringLiteral("  été\nà la plage "));
        QCOMPARE(exchange(port, "GET /next HTTP/1.1\r\n\r\n"),
            jsonAnswer(QStringLiteral("{\"title\":\"Note \\\"1\\\"\",\"text\":\"été\\nà la plage\"}").toUtf8()));
        QCOMPARE(service.textSendStatus(), QStringLiteral("✅ Texte envoyé à l'iPhone"));
        QCOMPARE(exchange(port, "POST /prev HTTP/1.1\r\n\r\n"), plainAnswer("200 OK", "ok"));
        QCOMPARE(exchange(port, "GET /pendingtext HTTP/1.1\r\n\r\n"), plainAnswer("204 No Content", "{}"));
        QCOMPARE(service.commandCount(), 2);
        QCOMPARE(fakes.keys.pressed, (std::vector { Arrow::right, Arrow::left }));

        // A text posted over HTTP, its body arriving after its head, is fetched back once.
        const QByteArray body = "{\"title\":\"\",\"text\":\"Bonjour\"}";
        LoopbackHttpClient poster(port);
        poster.send("POST /sendtext HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
        QTest::qWait(50);
        poster.send(body);
        QVERIFY(poster.waitUntilClosed());
        QCOMPARE(poster.received(), plainAnswer("200 OK", "sent"));
        QCOMPARE(exchange(port, "GET /pendingtext HTTP/1.1\r\n\r\n"),
            jsonAnswer("{\"title\":\"Texte du Mac\",\"text\":\"Bonjour\"}"));
        QCOMPARE(exchange(port, "GET /pendingtext HTTP/1.1\r\n\r\n"), plainAnswer("204 No Content", "{}"));
        QCOMPARE(exchange(port, "GET /nextslide HTTP/1.1\r\n\r\n"), plainAnswer("404 Not Found", "unknown command"));
    }

    void applyingAPortMovesTheServer()
    {
        FakePlatform fakes;
        TcpHttpListenerFactory factory(m_network);
        const quint16 oldPort = freePort();
        fakes.settings.setInteger(QStringLiteral("macRemotePort"), oldPort);
        MacRemoteService service(
            { fakes.keys, fakes.permission, fakes.timers, fakes.settings, fakes.interfaces, fakes.peerLink, factory });
        QTRY_COMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port %1").arg(oldPort));

        QStringList texts;
        connect(
            &service, &MacRemoteService::httpStatusMessageChanged, this, [&] { texts << service.httpStatusMessage(); });
        const quint16 newPort = freePort();
        service.applyPort(newPort);
        QTRY_COMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port %1").arg(newPort));
        QTest::qWait(100);
        QCOMPARE(texts,
            QStringList(
                { QStringLiteral("Port %1 arrêté").arg(oldPort), QStringLiteral("Port %1 en démarrage").arg(newPort),
                    QStringLiteral("IP active sur le port %1").arg(newPort) }));

        QCOMPARE(exchange(newPort, "GET /ping\r\n\r\n"), plainAnswer("200 OK", "pong"));
        QTcpSocket old;
        old.connectToHost(QHostAddress::LocalHost, oldPort);
        QVERIFY(!old.waitForConnected(2000));
        QCOMPARE(fakes.settings.integer(QStringLiteral("macRemotePort")), newPort);
    }
};

QTEST_GUILESS_MAIN(HttpServiceTest)
#include "test_http_service.moc"
