#include "FakePlatform.h"
#include "HeldPort.h"
#include "LoopbackHttpClient.h"
#include "transport/NetworkThread.h"
#include "transport/http/HttpServerListener.h"

#include <QTcpServer>
#include <QTest>

namespace {

QByteArray exchange(quint16 port, const QByteArray& request)
{
    LoopbackHttpClient client(port);
    client.send(request);
    return client.waitUntilClosed() ? client.received() : QByteArray("no answer");
}

QString readyText(quint16 port) { return QStringLiteral("IP active sur le port %1").arg(port); }

}

// The real service behind the real server on its network thread, across a port change; only the desktop's seams
// are fakes.
class HttpServiceTest : public QObject {
    Q_OBJECT

private:
    NetworkThread m_network;
    HttpServerListener::Factory m_listeners { m_network };

    MacRemoteService::Platform platform(FakePlatform& fakes)
    {
        return { fakes.keys, fakes.settings, fakes.interfaces, fakes.peerLink, m_listeners, fakes.focusedWindow };
    }

private Q_SLOTS:
    void aPortChangeKeepsServingUntilTheNewPortIsOpen()
    {
        FakePlatform fakes;
        const HeldPort heldOld;
        const quint16 oldPort = heldOld.port();
        fakes.settings.setInteger(QStringLiteral("macRemotePort"), oldPort);
        MacRemoteService service(platform(fakes));
        QTRY_COMPARE(service.httpStatusMessage(), readyText(oldPort));

        // A port that is taken: the old one serves on and stays stored.
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
        service.applyPort(occupant.serverPort());
        QTRY_COMPARE(service.httpStatusMessage(),
            QStringLiteral("Port %1 indisponible — %2").arg(occupant.serverPort()).arg(readyText(oldPort)));
        QCOMPARE(exchange(oldPort, "GET /ping\r\n\r\n"), plainAnswer("200 OK", "pong"));
        QCOMPARE(fakes.settings.integer(QStringLiteral("macRemotePort")), oldPort);

        // A request in flight on the old port is still answered once the new one serves.
        LoopbackHttpClient inFlight(oldPort);
        inFlight.send("GET /next HTTP/1.1\r\n");
        QTest::qWait(50);
        const HeldPort heldNew;
        const quint16 newPort = heldNew.port();
        service.applyPort(newPort);
        QTRY_COMPARE(service.httpStatusMessage(), readyText(newPort));
        QVERIFY(!LoopbackHttpClient(oldPort).isConnected());
        inFlight.send("\r\n");
        QVERIFY(inFlight.waitUntilClosed());
        QCOMPARE(inFlight.received(), plainAnswer("200 OK", "ok"));
        QCOMPARE(exchange(newPort, "GET /next HTTP/1.1\r\n\r\n"), plainAnswer("200 OK", "ok"));
        QCOMPARE(service.commandCount(), 2);
        QCOMPARE(fakes.settings.integer(QStringLiteral("macRemotePort")), newPort);
    }
};

QTEST_GUILESS_MAIN(HttpServiceTest)
#include "test_http_service.moc"
