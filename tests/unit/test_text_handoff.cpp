#include "FakePlatform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString readyStatus = QStringLiteral("✅ Texte prêt — l'iPhone le récupère à la prochaine commande");
const QString sentStatus = QStringLiteral("✅ Texte envoyé à l'iPhone");

HttpAnswer answer(FakePlatform& fake, HttpRoute route, const QString& request = {})
{
    return fake.httpListeners.current()->callbacks.answerRoutes({ { route, request } }).at(0);
}

QString postedText(const QByteArray& body)
{
    return QStringLiteral("POST /sendtext HTTP/1.1\r\nHost: x\r\nContent-Length: 99\r\n\r\n") + QString::fromUtf8(body);
}

}

class TestTextHandOff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendTextTrimsAndKeepsOnePendingText()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());

        service.sendText(QStringLiteral("   "), QStringLiteral(" Bonjour \n"));
        QCOMPARE(service.pendingText(), (MacRemoteService::PendingText { "Texte du Mac", "Bonjour" }));
        QCOMPARE(service.textSendStatus(), readyStatus);
        QCOMPARE(readyStatus.toUtf8().size(), 67);

        // Every Unicode space and line separator counts as blank at the ends, not inside.
        service.sendText(QStringLiteral("\u00a0Titre\u2003"), QStringLiteral("\u2028a\u00a0b\u3000\t"));
        QCOMPARE(service.pendingText(), (MacRemoteService::PendingText { "Titre", "a\u00a0b" }));

        service.sendText(QStringLiteral("T"), QStringLiteral(" \n\r\t\u2029 "));
        QCOMPARE(service.textSendStatus(), QStringLiteral("Texte vide"));
        QCOMPARE(service.pendingText()->title, QStringLiteral("Titre"));
    }

    void peerBranchSendsOrFallsBackToPending()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        service.sendText({}, QStringLiteral("old"));
        fake.peerLink.connectedPeers = 1;

        service.sendText(QStringLiteral("T"), QStringLiteral("new"));
        QCOMPARE(service.textSendStatus(), sentStatus);
        QVERIFY(!service.pendingText());
        QCOMPARE(fake.peerLink.sent.size(), 1u);
        const std::optional<RemoteMessage> message = RemoteMessage::parse(fake.peerLink.sent[0]);
        QCOMPARE(std::get<RemoteMessage::ImportText>(message->content).text, QStringLiteral("new"));
        QCOMPARE(std::get<RemoteMessage::ImportText>(message->content).title, QStringLiteral("T"));

        fake.peerLink.sendSucceeds = false;
        service.sendText(QStringLiteral("T"), QStringLiteral("kept"));
        QCOMPARE(service.textSendStatus(), readyStatus);
        QCOMPARE(service.pendingText()->text, QStringLiteral("kept"));
    }

    void escapingKeepsTheBodyValidJson()
    {
        QCOMPARE(MacRemoteService::escapeJSONText(QStringLiteral("Note \"1\"")), QStringLiteral("Note \\\"1\\\""));
        QCOMPARE(
            MacRemoteService::escapeJSONText(QStringLiteral("a\\n\nb\r\tc/é")), QStringLiteral("a\\\\n\\nb\\r\\tc/é"));
        QCOMPARE(MacRemoteService::escapeJSONText(QStringLiteral("\x01\x1f\b\f")),
            QStringLiteral("\\u0001\\u001f\\u0008\\u000c"));

        FakePlatform fake;
        MacRemoteService service(fake.platform());
        const QString awkward = QStringLiteral("a\nb \"q\" \\ \x02 é 😀");
        service.sendText(QStringLiteral("Note \"1\""), awkward);
        const std::optional<QByteArray> body = service.takePendingTextBody();
        QVERIFY(body);
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(*body, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.value("title").toString(), QStringLiteral("Note \"1\""));
        QCOMPARE(object.value("text").toString(), awkward);
        QVERIFY(body->startsWith(R"({"title":"Note \"1\"","text":"a\nb)"));
    }

    void pendingTextRidesOnTheNextCommandOnce()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QCOMPARE(answer(fake, HttpRoute::pendingText).status, QByteArray("204 No Content"));
        QCOMPARE(answer(fake, HttpRoute::pendingText).body, QByteArray("{}"));

        service.sendText(QStringLiteral("T"), QStringLiteral("X"));
        const HttpAnswer first = answer(fake, HttpRoute::next);
        QCOMPARE(first.status, QByteArray("200 OK"));
        QVERIFY(first.isJson);
        QCOMPARE(first.body, QByteArray(R"({"title":"T","text":"X"})"));
        QCOMPARE(service.textSendStatus(), sentStatus);
        QCOMPARE(fake.keys.pressed.size(), 1u);

        const HttpAnswer second = answer(fake, HttpRoute::previous);
        QVERIFY(!second.isJson);
        QCOMPARE(second.body, QByteArray("ok"));
        QCOMPARE(service.commandCount(), 2);

        // A command without the permission still answers the same way.
        fake.permission.trusted = false;
        QCOMPARE(answer(fake, HttpRoute::next).body, QByteArray("ok"));
        QCOMPARE(answer(fake, HttpRoute::unknown).status, QByteArray("404 Not Found"));
        QCOMPARE(answer(fake, HttpRoute::unknown).body, QByteArray("unknown command"));

        service.sendText({}, QStringLiteral("y"));
        const HttpAnswer fetched = answer(fake, HttpRoute::pendingText);
        QVERIFY(fetched.isJson);
        QCOMPARE(fetched.body, QByteArray(R"({"title":"Texte du Mac","text":"y"})"));
    }

    void aBurstOfRequestsIsAnsweredInOrderAndNotifiesOnce()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        service.sendText(QStringLiteral("T"), QStringLiteral("X"));
        QSignalSpy counts(&service, &MacRemoteService::commandCountChanged);
        QSignalSpy commands(&service, &MacRemoteService::lastCommandChanged);
        QSignalSpy statuses(&service, &MacRemoteService::textSendStatusChanged);
        int countSeenBySignal = -1;
        connect(&service, &MacRemoteService::commandCountChanged, this,
            [&] { countSeenBySignal = int(service.commandCount()); });

        const std::vector<HttpAnswer> answers
            = fake.httpListeners.current()->callbacks.answerRoutes({ { HttpRoute::next, {} },
                { HttpRoute::pendingText, {} }, { HttpRoute::previous, {} }, { HttpRoute::next, {} } });

        QCOMPARE(answers.size(), 4u);
        QCOMPARE(answers[0].body, QByteArray(R"({"title":"T","text":"X"})"));
        QCOMPARE(answers[1].status, QByteArray("204 No Content"));
        QCOMPARE(answers[2].body, QByteArray("ok"));
        QCOMPARE(fake.keys.pressed.size(), 3u);
        // Each property that changed is announced once, after the burst, with its final value.
        QCOMPARE(counts.size(), 1);
        QCOMPARE(countSeenBySignal, 3);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(statuses.size(), 1);
        QCOMPARE(service.lastCommand(), RemoteCommand::next);

        // Outside a burst the signals go out at once again.
        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(counts.size(), 2);
    }

    void postedTextsAreJudgedByTheirOutcome()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        struct Case {
            QString request;
            QByteArray status;
            QByteArray body;
        };
        const QList<Case> cases {
            { "POST /sendtext HTTP/1.1\r\nHost: x\r\n", "400 Bad Request", "missing body" },
            { postedText(""), "400 Bad Request", "invalid json" },
            { postedText(R"({"text":"x"})"), "400 Bad Request", "invalid json" },
            { postedText(R"({"title":1,"text":"x"})"), "400 Bad Request", "invalid json" },
            { postedText(R"({"title":"T","text":"  "})"), "503 Service Unavailable", "Texte vide" },
            { postedText(R"({"title":"","text":"x"})"), "200 OK", "sent" },
        };
        for (const Case& c : cases) {
            const HttpAnswer result = answer(fake, HttpRoute::sendText, c.request);
            QCOMPARE(result.status, c.status);
            QCOMPARE(result.body, c.body);
            QVERIFY(!result.isJson);
        }
        QCOMPARE(service.pendingText(), (MacRemoteService::PendingText { "Texte du Mac", "x" }));

        // A peer send that fails is still a text accepted: it waits as the pending text.
        fake.peerLink.connectedPeers = 1;
        fake.peerLink.sendSucceeds = false;
        QCOMPARE(answer(fake, HttpRoute::sendText, postedText(R"({"title":"T","text":"z"})")).body, QByteArray("sent"));
        QCOMPARE(service.pendingText()->text, QStringLiteral("z"));
    }

    void listenerTextsFollowOnlyTheCurrentListener()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        FakeHttpListenerFactory::Callbacks first = fake.httpListeners.allCallbacks.at(0);
        first.stateChanged(HttpListenerState::starting);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 4777 en démarrage"));
        first.stateChanged(HttpListenerState::ready);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port 4777"));

        service.applyPort(8080);
        QCOMPARE(fake.settings.integer("macRemotePort"), 8080);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 4777 arrêté"));
        QCOMPARE(fake.httpListeners.live.size(), 1u);
        QCOMPARE(fake.httpListeners.current()->port, 8080);
        fake.httpListeners.current()->callbacks.stateChanged(HttpListenerState::ready);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port 8080"));

        // A late report of the replaced listener no longer reaches the status.
        first.stateChanged(HttpListenerState::cancelled);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port 8080"));

        fake.httpListeners.current()->callbacks.stateChanged(HttpListenerState::failed);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 8080 indisponible"));
    }

    void storedPortRules()
    {
        for (const qint64 stored : { qint64(0), qint64(-5) }) {
            FakePlatform fake;
            fake.settings.setInteger("macRemotePort", stored);
            MacRemoteService service(fake.platform());
            QCOMPARE(fake.httpListeners.requestedPorts, std::vector<quint16> { 4777 });
        }
        FakePlatform tooLarge;
        tooLarge.settings.setInteger("macRemotePort", 70000);
        MacRemoteService service(tooLarge.platform());
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 70000 invalide"));
        QVERIFY(tooLarge.httpListeners.requestedPorts.empty());
        service.applyPort(9000);
        QCOMPARE(tooLarge.httpListeners.requestedPorts, std::vector<quint16> { 9000 });

        FakePlatform refused;
        refused.httpListeners.canCreate = false;
        MacRemoteService refusedService(refused.platform());
        QCOMPARE(refusedService.httpStatusMessage(), QStringLiteral("Port 4777 indisponible"));
    }
};

QTEST_GUILESS_MAIN(TestTextHandOff)
#include "test_text_handoff.moc"
