#include "FakePlatform.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QString readyStatus = QStringLiteral("✅ Texte prêt — l'iPhone le récupère à la prochaine commande");
const QString sentStatus = QStringLiteral("✅ Texte envoyé à l'iPhone");

using Kind = PhoneAnswer::Kind;

PhoneRequest command(RemoteCommand command) { return { PhoneRequest::Kind::command, command, {} }; }
PhoneRequest question(PhoneRequest::Kind kind) { return { kind, {}, {} }; }

PhoneAnswer answer(FakePlatform& fake, const PhoneRequest& request)
{
    return fake.httpListeners.current()->receive({ request }).at(0);
}

// The permission poll's timer, made to fire as the event loop would after one interval.
void tick(MacRemoteService& service) { QMetaObject::invokeMethod(service.findChild<QTimer*>(), "timeout"); }

}

// The service on fake platform seams: commands, the permission, peer events, the text hand-off and the HTTP port.
class TestService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void constructionSetsInitialStateAndStartsTransports()
    {
        FakePlatform fake;
        fake.keys.trusted = false;
        fake.interfaces.addIPv4("eth0", "192.168.1.20");
        MacRemoteService service(fake.platform());

        QCOMPARE(service.statusMessage(), QStringLiteral("En attente de l'iPhone"));
        QCOMPARE(service.isConnected(), false);
        QCOMPARE(service.localIPAddress(), QStringLiteral("192.168.1.20"));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("Aucune commande reçue"));
        QCOMPARE(service.commandCount(), 0);
        QCOMPARE(service.lastCommand(), std::nullopt);
        QCOMPARE(service.property("lastCommand").toString(), QString());
        QCOMPARE(service.textSendStatus(), std::nullopt);
        QVERIFY(!service.pendingText());
        QCOMPARE(service.hasAccessibility(), false);
        // The poll starts with the window, not with the service.
        QVERIFY(!service.findChild<QTimer*>()->isActive());
        QCOMPARE(fake.keys.accessRequests, 0);

        QCOMPARE(fake.peerLink.advertised, QStringList { "Quorvelantis Mac/quorvelantis" });
        QCOMPARE(fake.httpListeners.requestedPorts, std::vector<quint16> { 4777 });
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Démarrage..."));
    }

    void commandWithPermissionPostsOneKeyPressAndNotifiesOnChange()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QSignalSpy status(&service, &MacRemoteService::statusMessageChanged);
        QSignalSpy lastCommand(&service, &MacRemoteService::lastCommandChanged);
        QSignalSpy count(&service, &MacRemoteService::commandCountChanged);
        QSignalSpy access(&service, &MacRemoteService::hasAccessibilityChanged);
        // "Autoriser" asks once and writes nothing.
        service.requestAccessibilityPermission();
        QCOMPARE(fake.keys.accessRequests, 1);
        QCOMPARE(status.count(), 0);

        service.executeCommand(RemoteCommand::next);
        QCOMPARE(fake.keys.pressed, std::vector { Key::right });
        QCOMPARE(service.statusMessage(), QStringLiteral("▶ Slide suivante"));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("▶ Slide suivante"));
        QCOMPARE(service.property("lastCommand").toString(), QStringLiteral("next"));
        service.executeCommand(RemoteCommand::next);
        QCOMPARE(status.count(), 1);
        QCOMPARE(lastCommand.count(), 1);
        QCOMPARE(count.count(), 2);
        QCOMPARE(access.count(), 0); // already true

        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(fake.keys.pressed, (std::vector { Key::right, Key::right, Key::left }));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("◀ Slide précédente"));
        QCOMPARE(service.lastCommand(), RemoteCommand::previous);
        QCOMPARE(service.commandCount(), 3);
        QCOMPARE(fake.keys.accessRequests, 1);
        for (const auto& [command, key, text] :
            { std::tuple { RemoteCommand::blackScreen, Key::b, "■ Écran noir / retour" },
                { RemoteCommand::first, Key::home, "⏮ Première slide" },
                { RemoteCommand::last, Key::end, "⏭ Dernière slide" } }) {
            service.executeCommand(command);
            QCOMPARE(fake.keys.pressed.back(), key);
            QCOMPARE(service.lastCommandMessage(), QString::fromUtf8(text));
            QCOMPARE(service.property("lastCommand").toString(), rawValue(command));
        }
        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(service.commandCount(), 7);

        // A key event that cannot be built posts nothing and counts nothing.
        fake.keys.canPress = false;
        service.executeCommand(RemoteCommand::next);
        QCOMPARE(service.statusMessage(), QStringLiteral("Commande clavier impossible"));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("◀ Slide précédente"));
        QCOMPARE(service.lastCommand(), RemoteCommand::previous);
        QCOMPARE(service.commandCount(), 7);
    }

    void commandWithoutPermissionCountsAndPrompts_data()
    {
        QTest::addColumn<AccessRequest>("request");
        QTest::addColumn<QString>("advice");
        QTest::newRow("password grant") << AccessRequest::adminPassword
                                        << QStringLiteral("⚠️ Cliquez sur Autoriser → mot de passe admin");
        QTest::newRow("desktop's consent dialog")
            << AccessRequest::consentEachStart
            << QStringLiteral("⚠️ Cliquez sur Autoriser → autorisez l'interaction à distance");
        QTest::newRow("X server without XTEST")
            << AccessRequest::none << QStringLiteral("⚠️ Extension XTEST absente");
    }

    void commandWithoutPermissionCountsAndPrompts()
    {
        QFETCH(AccessRequest, request);
        QFETCH(QString, advice);
        FakePlatform fake;
        fake.keys.request = request;
        MacRemoteService service(fake.platform());
        fake.keys.trusted = false;

        for (int i = 0; i < 3; ++i)
            service.executeCommand(RemoteCommand::next);
        QVERIFY(fake.keys.pressed.empty());
        QCOMPARE(service.hasAccessibility(), false);
        QCOMPARE(service.canRequestAccessibility(), request != AccessRequest::none);
        QCOMPARE(service.statusMessage(), QStringLiteral("⚠️ Autorisation Accessibilité requise"));
        QCOMPARE(service.lastCommandMessage(), advice);
        QCOMPARE(service.lastCommand(), RemoteCommand::next);
        QCOMPARE(service.commandCount(), 3);
        // One dialog per run from commands, so a talk is not interrupted at every press; "Autoriser" still opens it.
        QCOMPARE(fake.keys.accessRequests, 1);
        service.requestAccessibilityPermission();
        QCOMPARE(fake.keys.accessRequests, 2);

        // Granted after the last poll: the command itself notices.
        fake.keys.trusted = true;
        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(service.hasAccessibility(), true);
        QCOMPARE(fake.keys.pressed.size(), 1u);
    }

    void tapWhileAccessIsAskedIsPressedOnGrantOrDroppedAfterAMinute()
    {
        // The first phone asks, whether it joins the peer link or its page polls over HTTP; later ones do not.
        const std::vector<std::function<void(FakePlatform&)>> phoneShowsUp {
            [](FakePlatform& fake) { Q_EMIT fake.peerLink.peerStateChanged(PeerState::connected, 1); },
            [](FakePlatform& fake) { answer(fake, question(PhoneRequest::Kind::keyTarget)); },
            [](FakePlatform& fake) { answer(fake, question(PhoneRequest::Kind::pendingText)); },
        };
        for (const auto& showUp : phoneShowsUp) {
            FakePlatform fake;
            fake.keys.trusted = false;
            MacRemoteService service(fake.platform());
            showUp(fake);
            showUp(fake);
            QCOMPARE(fake.keys.accessRequests, 1);
        }
        FakePlatform fake;
        fake.keys.trusted = false;
        MacRemoteService service(fake.platform());
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::connected, 1);

        fake.keys.asking = true;
        service.executeCommand(RemoteCommand::next);
        QVERIFY(fake.keys.pressed.empty());
        QCOMPARE(fake.keys.accessRequests, 1);
        QCOMPARE(service.commandCount(), 1);
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("⏳ Commande en attente de l'autorisation"));
        fake.keys.asking = false;
        fake.keys.trusted = true;
        Q_EMIT fake.keys.accessChanged();
        QCOMPARE(fake.keys.pressed, std::vector { Key::right });
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("▶ Slide suivante"));
        QCOMPARE(service.hasAccessibility(), true);
        QCOMPARE(service.commandCount(), 1);
        Q_EMIT fake.keys.accessChanged();
        tick(service);
        QCOMPARE(fake.keys.pressed.size(), 1u);

        // Access that does not come within a minute: the tap is dropped, and the window says so.
        fake.keys.trusted = false;
        fake.keys.asking = true;
        service.executeCommand(RemoteCommand::previous);
        auto* expiry = service.findChild<QTimer*>(QStringLiteral("keptCommandsExpiry"));
        QVERIFY(expiry->isActive());
        QCOMPARE(expiry->interval(), 60'000);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("dropped: keyboard access was not granted within 60 s"));
        QMetaObject::invokeMethod(expiry, "timeout");
        QCOMPARE(service.lastCommandMessage(),
            QStringLiteral("⚠️ Commande abandonnée : autorisation non accordée en 60 s"));
        fake.keys.trusted = true;
        Q_EMIT fake.keys.accessChanged();
        service.executeCommand(RemoteCommand::next);
        QCOMPARE(fake.keys.pressed, (std::vector { Key::right, Key::right }));
    }

    // A page shows a tap failed after a second: its key is pressed only before, and never kept for access.
    void aPageTapIsAnsweredWithWhetherItsKeyWasPressed()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        Q_EMIT fake.peerLink.tapReceived({ 1, 1, RemoteCommand::next, QDeadlineTimer(1000) });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("gave up on it, and was not pressed"));
        Q_EMIT fake.peerLink.tapReceived({ 1, 2, RemoteCommand::next, QDeadlineTimer(0) });
        fake.keys.trusted = false;
        fake.keys.asking = true;
        Q_EMIT fake.peerLink.tapReceived({ 1, 3, RemoteCommand::next, QDeadlineTimer(1000) });
        fake.keys.trusted = true;
        Q_EMIT fake.keys.accessChanged();
        QCOMPARE(fake.keys.pressed, std::vector { Key::right });
        QCOMPARE(fake.peerLink.answeredTaps,
            (std::vector<std::pair<qint64, bool>> { { 1, true }, { 2, false }, { 3, false } }));

        // The same over HTTP, where the phone app's command without a deadline is "ok" as ever, pressed later.
        PhoneRequest tap { PhoneRequest::Kind::command, RemoteCommand::previous, {} };
        tap.pressBefore = QDeadlineTimer(1000);
        fake.keys.trusted = false;
        const auto kinds = [&](const std::vector<PhoneRequest>& requests) {
            std::vector<PhoneAnswer::Kind> answered;
            for (const PhoneAnswer& answer : service.answer(requests))
                answered.push_back(answer.kind);
            return answered;
        };
        QCOMPARE(kinds({ tap, { PhoneRequest::Kind::command, RemoteCommand::next, {} } }),
            (std::vector { PhoneAnswer::Kind::commandNotPressed, PhoneAnswer::Kind::commandDone }));
        fake.keys.trusted = true;
        Q_EMIT fake.keys.accessChanged();
        QCOMPARE(kinds({ tap }), std::vector { PhoneAnswer::Kind::commandDone });
        QCOMPARE(fake.keys.pressed, (std::vector { Key::right, Key::right, Key::left }));
    }

    // The dot follows the finger, outlives a lift by half a second, and a new touch within it keeps it up.
    void thePointerLingersAfterTheFingerLifts()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        Q_EMIT fake.peerLink.pointerMoved({ 0.25, 0.75 });
        QCOMPARE(fake.pointerOverlay.shownAt, QPointF(0.25, 0.75));
        Q_EMIT fake.peerLink.pointerLifted();
        QTest::qWait(300);
        Q_EMIT fake.peerLink.pointerMoved({ 0.5, 0.5 });
        QTest::qWait(400);
        QCOMPARE(fake.pointerOverlay.shownAt, QPointF(0.5, 0.5));
        Q_EMIT fake.peerLink.pointerLifted();
        QCOMPARE(fake.pointerOverlay.shownAt, QPointF(0.5, 0.5));
        QTRY_VERIFY_WITH_TIMEOUT(!fake.pointerOverlay.shownAt, 2000);
    }

    // Pages that watch get a picture at once when they ask, and one after a burst of slide commands, once the
    // slideshow has drawn; with no page watching, a command takes none.
    void watchingPagesGetAPictureOnRequestAndAfterCommands()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        auto* delay = service.findChild<QTimer*>(QStringLiteral("pictureDelay"));
        service.executeCommand(RemoteCommand::next);
        QVERIFY(!delay->isActive());
        Q_EMIT fake.peerLink.pictureWatchersChanged(1);
        Q_EMIT fake.peerLink.pictureRequested();
        QCOMPARE(fake.peerLink.pictures, std::vector<QByteArray> { "1" });
        service.executeCommand(RemoteCommand::next);
        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(fake.screenPicture.takes, 1);
        QVERIFY(delay->isActive() && delay->interval() >= 100);
        QTRY_COMPARE(fake.peerLink.pictures, (std::vector<QByteArray> { "1", "2" }));
        service.executeCommand(RemoteCommand::next);
        Q_EMIT fake.peerLink.pictureWatchersChanged(0);
        QVERIFY(!delay->isActive());
    }

    void monitorFollowsThePermissionWithOneTimer()
    {
        FakePlatform fake;
        fake.keys.trusted = false;
        MacRemoteService service(fake.platform());
        QSignalSpy access(&service, &MacRemoteService::hasAccessibilityChanged);
        QSignalSpy status(&service, &MacRemoteService::statusMessageChanged);

        service.startAccessibilityMonitoring();
        QVERIFY(service.findChild<QTimer*>()->isActive());
        QCOMPARE(service.findChild<QTimer*>()->interval(), 2000);

        tick(service); // unchanged: nothing notifies
        QCOMPARE(access.count(), 0);
        QCOMPARE(status.count(), 0);

        fake.keys.trusted = true;
        tick(service);
        QCOMPARE(service.hasAccessibility(), true);
        QCOMPARE(service.statusMessage(), QStringLiteral("✅ Accessibilité autorisée"));

        service.executeCommand(RemoteCommand::next);
        fake.keys.trusted = false;
        tick(service); // withdrawn: the flag follows, the text stays
        QCOMPARE(service.hasAccessibility(), false);
        QCOMPARE(service.statusMessage(), QStringLiteral("▶ Slide suivante"));

        // Set true by the monitor's own start check: the poll sees no change and writes no text.
        fake.keys.trusted = true;
        service.startAccessibilityMonitoring();
        tick(service);
        QCOMPARE(service.statusMessage(), QStringLiteral("▶ Slide suivante"));
    }

    void sendTextTrimsAndKeepsOnePendingText()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());

        service.sendText(QStringLiteral("   "), QStringLiteral(" Bonjour \n"));
        QCOMPARE(service.pendingText(), (TextPayload { "Texte du Mac", "Bonjour" }));
        QCOMPARE(service.textSendStatus(), readyStatus);

        // Every Unicode space and line separator counts as blank at the ends, not inside.
        service.sendText(QStringLiteral("\u00a0Titre\u2003"), QStringLiteral("\u2028a\u00a0b\u3000\t"));
        QCOMPARE(service.pendingText(), (TextPayload { "Titre", "a\u00a0b" }));

        service.sendText(QStringLiteral("T"), QStringLiteral(" \n\r\t\u2029 "));
        QCOMPARE(service.textSendStatus(), QStringLiteral("Texte vide"));
        QCOMPARE(service.pendingText()->title, QStringLiteral("Titre"));
    }

    void aSentTextIsOfferedToPhonesUntilOneReadsIt()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        service.sendText(QStringLiteral("T"), QStringLiteral("new"));
        QCOMPARE(fake.peerLink.offered.size(), 1u);
        QCOMPARE(fake.peerLink.offered[0].second, (TextPayload { "T", "new" }));
        QVERIFY(!service.isTextDelivered());
        Q_EMIT fake.peerLink.delivered(fake.peerLink.offered[0].first);
        QVERIFY(service.isTextDelivered());
        QCOMPARE(service.textSendStatus(), sentStatus);
        QVERIFY(!service.pendingText());

        // A late report on a replaced text, or one taken over HTTP, leaves the newer text pending.
        service.sendText(QStringLiteral("T"), QStringLiteral("replaced"));
        const quint64 replaced = fake.peerLink.offered.back().first;
        service.sendText(QStringLiteral("T"), QStringLiteral("kept"));
        Q_EMIT fake.peerLink.delivered(replaced);
        QCOMPARE(service.textSendStatus(), readyStatus);
        QCOMPARE(service.pendingText()->text, QStringLiteral("kept"));
        QCOMPARE(fake.peerLink.offered.back().second.text, QStringLiteral("kept"));
        QVERIFY(answer(fake, question(PhoneRequest::Kind::pendingText)).kind == Kind::pendingText);
        QVERIFY(fake.peerLink.isOfferWithdrawn);
        service.sendText(QStringLiteral("T"), QStringLiteral("newer"));
        QVERIFY(!fake.peerLink.isOfferWithdrawn);
        Q_EMIT fake.peerLink.delivered(fake.peerLink.offered[fake.peerLink.offered.size() - 2].first);
        QCOMPARE(service.pendingText()->text, QStringLiteral("newer"));
    }

    void pendingTextRidesOnTheNextCommandOnce()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QCOMPARE(answer(fake, question(PhoneRequest::Kind::pendingText)).kind, Kind::noPendingText);

        service.sendText(QStringLiteral("T"), QStringLiteral("X"));
        QVERIFY(!service.isTextDelivered());
        const PhoneAnswer first = answer(fake, command(RemoteCommand::next));
        QCOMPARE(first.kind, Kind::pendingText);
        QCOMPARE(first.text, (TextPayload { "T", "X" }));
        QCOMPARE(service.textSendStatus(), sentStatus);
        QVERIFY(service.isTextDelivered());
        QCOMPARE(fake.keys.pressed.size(), 1u);

        QCOMPARE(answer(fake, command(RemoteCommand::previous)).kind, Kind::commandDone);
        QCOMPARE(service.commandCount(), 2);

        // A command without the permission still answers the same way.
        fake.keys.trusted = false;
        QCOMPARE(answer(fake, command(RemoteCommand::next)).kind, Kind::commandDone);

        service.sendText({}, QStringLiteral("y"));
        QVERIFY(!service.isTextDelivered());
        const PhoneAnswer fetched = answer(fake, question(PhoneRequest::Kind::pendingText));
        QCOMPARE(fetched.kind, Kind::pendingText);
        QCOMPARE(fetched.text, (TextPayload { "Texte du Mac", "y" }));
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

        const std::vector<PhoneAnswer> answers = fake.httpListeners.current()->receive(
            { command(RemoteCommand::next), question(PhoneRequest::Kind::pendingText), command(RemoteCommand::previous),
                command(RemoteCommand::next) });

        QCOMPARE(answers.size(), 4u);
        QCOMPARE(answers[0].text, (TextPayload { "T", "X" }));
        QCOMPARE(answers[1].kind, Kind::noPendingText);
        QCOMPARE(answers[2].kind, Kind::commandDone);
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
        const auto post = [&fake](const char* title, const char* text) {
            return answer(fake, { PhoneRequest::Kind::sendText, {}, { title, text } });
        };
        const PhoneAnswer refused = post("T", "  ");
        QCOMPARE(refused.kind, Kind::textRefused);
        QCOMPARE(refused.reason, QStringLiteral("Texte vide"));
        QCOMPARE(post("", "x").kind, Kind::textAccepted);
        QCOMPARE(service.pendingText(), (TextPayload { "Texte du Mac", "x" }));
    }

    void aNewPortReplacesTheServingOneOnlyOnceItIsOpen()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        FakeHttpListenerFactory::Listener* first = fake.httpListeners.current();
        Q_EMIT first->stateChanged(HttpListenerState::starting);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 4777 en démarrage"));

        // Not yet serving: replaced at once.
        service.applyPort(9000);
        QVERIFY(first->isCancelled);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 4777 arrêté"));
        QCOMPARE(fake.settings.integer("macRemotePort"), 9000);
        Q_EMIT fake.httpListeners.current()->stateChanged(HttpListenerState::failed);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 9000 indisponible"));
        service.applyPort(4777);
        FakeHttpListenerFactory::Listener* serving = fake.httpListeners.current();
        Q_EMIT serving->stateChanged(HttpListenerState::ready);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port 4777"));

        // A port that cannot be had leaves the serving one serving and stored, and says both.
        for (const auto& [refusal, text] : { std::pair { HttpListenerState::notPermitted,
                                                 QStringLiteral("Port 80 réservé à l'administrateur — IP active "
                                                                "sur le port 4777") },
                 std::pair { HttpListenerState::failed,
                     QStringLiteral("Port 80 indisponible — IP active sur le port 4777") } }) {
            service.applyPort(80);
            QVERIFY(service.isApplyingPort());
            QCOMPARE(fake.httpListeners.current()->port, 80);
            Q_EMIT fake.httpListeners.current()->stateChanged(HttpListenerState::starting);
            QCOMPARE(service.httpStatusMessage(), QStringLiteral("Port 80 en démarrage"));
            Q_EMIT fake.httpListeners.current()->stateChanged(refusal);
            QCOMPARE(service.httpStatusMessage(), text);
            QCOMPARE(fake.settings.integer("macRemotePort"), 4777);
            QCOMPARE(service.httpPort(), 4777);
            QVERIFY(!service.isApplyingPort() && !serving->isCancelled);
        }

        service.applyPort(8080);
        Q_EMIT fake.httpListeners.current()->stateChanged(HttpListenerState::ready);
        QCOMPARE(service.httpStatusMessage(), QStringLiteral("IP active sur le port 8080"));
        QCOMPARE(fake.settings.integer("macRemotePort"), 8080);
        QCOMPARE(service.httpPort(), 8080);
        // The replaced one lives on, cancelled, and still answers what it holds.
        QCOMPARE(fake.httpListeners.live.size(), 2u);
        QVERIFY(fake.httpListeners.live.front() == serving && serving->isCancelled);
        QCOMPARE(serving->receive({ command(RemoteCommand::next) }).at(0).kind, Kind::commandDone);
    }

    void draftKeptAcrossRestartsUntilSentAndListenersStopWithTheService()
    {
        FakePlatform fake;
        MacRemoteService(fake.platform()).keepDraft(QStringLiteral("Q3"), QStringLiteral("Deux pages"));
        QVERIFY(fake.httpListeners.live.empty()); // a service gone stops every listener
        MacRemoteService service(fake.platform());
        QCOMPARE(service.draftTitle(), QStringLiteral("Q3"));
        QCOMPARE(service.draftText(), QStringLiteral("Deux pages"));
        service.sendText(service.draftTitle(), service.draftText());
        // The fields keep a sent text for this run; a restart starts with empty ones.
        QCOMPARE(service.draftText(), QStringLiteral("Deux pages"));
        QCOMPARE(MacRemoteService(fake.platform()).draftText(), QString());
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
    }

    void peerEventsDriveTheHeaderAndTheSlides()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        const QString connecting = QStringLiteral("Connexion iPhone...");
        const QString connected = QStringLiteral("iPhone connecté");
        // Each row: the event, then the header and isConnected it leaves.
        const struct {
            PeerState state;
            int connectedPeers;
            QString status;
            bool isConnected;
        } rows[] = {
            { PeerState::connecting, 0, connecting, false },
            { PeerState::connected, 1, connected, true },
            // A second phone whose handshake fails while the first stays.
            { PeerState::connecting, 1, connecting, true },
            { PeerState::notConnected, 1, connected, true },
            { PeerState::connected, 2, connected, true },
            { PeerState::notConnected, 1, connected, true },
            { PeerState::notConnected, 0, QStringLiteral("En attente de l'iPhone"), false },
            { PeerState::connected, 1, connected, true },
        };
        for (const auto& row : rows) {
            Q_EMIT fake.peerLink.peerStateChanged(row.state, row.connectedPeers);
            QCOMPARE(service.statusMessage(), row.status);
            QCOMPARE(service.isConnected(), row.isConnected);
        }

        // "Partage indisponible" gives way once published again, another part's text does not.
        Q_EMIT fake.peerLink.advertisingFailed();
        QCOMPARE(service.statusMessage(), QStringLiteral("Partage indisponible"));
        QCOMPARE(service.isConnected(), true);
        Q_EMIT fake.peerLink.advertisingSucceeded();
        QCOMPARE(service.statusMessage(), connected);

        Q_EMIT fake.peerLink.commandReceived(RemoteCommand::next);
        Q_EMIT fake.peerLink.commandReceived(RemoteCommand::previous);
        QCOMPARE(fake.keys.pressed, (std::vector<Key> { Key::right, Key::left }));
        const QString commandText = service.statusMessage();
        Q_EMIT fake.peerLink.advertisingSucceeded();
        QCOMPARE(service.statusMessage(), commandText);
    }

    void aBrowserPageCountsWhileItPolls()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        const QString polling = QStringLiteral("Page ouverte sur un téléphone (HTTP)");
        auto* expiry = service.findChild<QTimer*>(QStringLiteral("pagePollingExpiry"));
        // A slide command is no poll: any HTTP client sends those.
        answer(fake, command(RemoteCommand::next));
        for (const PhoneRequest::Kind kind : { PhoneRequest::Kind::keyTarget, PhoneRequest::Kind::pendingText }) {
            QVERIFY(!service.isPagePolling());
            answer(fake, question(kind));
            QCOMPARE(std::tuple(service.isPagePolling(), service.statusMessage(), expiry->interval()),
                std::tuple(true, polling, 5000));
            QMetaObject::invokeMethod(expiry, "timeout");
            QCOMPARE(service.statusMessage(), QStringLiteral("En attente de l'iPhone"));
        }
        // While a phone's session is what the header names, a page changes nothing there; it shows again once the
        // session ends.
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::connected, 1);
        answer(fake, command(RemoteCommand::next));
        answer(fake, question(PhoneRequest::Kind::keyTarget));
        QCOMPARE(service.statusMessage(), QStringLiteral("▶ Slide suivante"));
        Q_EMIT fake.peerLink.peerStateChanged(PeerState::notConnected, 0);
        QCOMPARE(service.statusMessage(), polling);
    }
};

QTEST_GUILESS_MAIN(TestService)
#include "test_service.moc"
