#include "FakePlatform.h"
#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWebSocket>

// The service with the real peer link on a real network thread; the other seams are fakes.
class PeerLinkServiceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void phoneDrivesSlidesAndReceivesTexts()
    {
        FakePlatform fakes;
        {
            WebSocketPeerLink link(m_network);
            MacRemoteService service({ fakes.keys, fakes.permission, fakes.timers, fakes.settings, fakes.interfaces,
                link, fakes.httpListeners });

            Client phone;
            QVERIFY(phone.open(link.port()));
            QTRY_VERIFY(service.isConnected());
            QCOMPARE(service.statusMessage(), QStringLiteral("iPhone connecté"));

            phone.socket.sendTextMessage(QStringLiteral("next"));
            QTRY_COMPARE(service.commandCount(), 1);
            phone.socket.sendBinaryMessage(RemoteMessage::slideCommand(RemoteCommand::previous).encode());
            QTRY_COMPARE(service.commandCount(), 2);
            QCOMPARE(service.lastCommand(), RemoteCommand::previous);

            service.sendText(QStringLiteral("  Note "), QStringLiteral(" Bonjour\n"));
            QCOMPARE(service.textSendStatus(), QStringLiteral("✅ Texte envoyé à l'iPhone"));
            QVERIFY(!service.pendingText());
            QTRY_COMPARE(phone.received,
                QList<QByteArray> {
                    RemoteMessage::importText(QStringLiteral("Note"), QStringLiteral("Bonjour")).encode() });

            // A second phone joins and the first leaves: the desktop still shows a connected phone.
            QSignalSpy statusChanges(&service, &MacRemoteService::statusMessageChanged);
            Client second;
            QVERIFY(second.open(link.port()));
            QTRY_COMPARE(statusChanges.count(), 2);
            QCOMPARE(service.statusMessage(), QStringLiteral("iPhone connecté"));
            QSignalSpy connectionChanges(&service, &MacRemoteService::isConnectedChanged);
            QSignalSpy firstLeft(&phone.socket, &QWebSocket::disconnected);
            phone.socket.close();
            QTRY_COMPARE(firstLeft.count(), 1);
            QTest::qWait(300); // time for the server's state event to reach the service
            QCOMPARE(connectionChanges.count(), 0);
            QVERIFY(service.isConnected());
            QCOMPARE(service.statusMessage(), QStringLiteral("iPhone connecté"));

            second.socket.close();
            QTRY_VERIFY(!service.isConnected());
            QCOMPARE(service.statusMessage(), QStringLiteral("En attente de l'iPhone"));

            // With no phone left the text waits for the HTTP road.
            service.sendText(QString(), QStringLiteral("later"));
            QCOMPARE(service.pendingText(),
                (MacRemoteService::PendingText { QStringLiteral("Texte du Mac"), QStringLiteral("later") }));
        }
    }

private:
    NetworkThread m_network;
};

QTEST_GUILESS_MAIN(PeerLinkServiceTest)
#include "tst_PeerLinkService.moc"
