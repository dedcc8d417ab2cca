#include "FakePlatform.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// The permission poll's timer, made to fire as the event loop would after one interval.
void tick(MacRemoteService& service) { QMetaObject::invokeMethod(service.findChild<QTimer*>(), "timeout"); }

}

class TestServiceCore : public QObject {
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

    void destructionStopsEveryListener()
    {
        FakePlatform fake;
        std::make_unique<MacRemoteService>(fake.platform()).reset();
        QVERIFY(fake.httpListeners.live.empty());
    }

    void observedFieldsNotifyOnlyOnChange()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QSignalSpy status(&service, &MacRemoteService::statusMessageChanged);
        QSignalSpy lastCommand(&service, &MacRemoteService::lastCommandChanged);
        QSignalSpy count(&service, &MacRemoteService::commandCountChanged);
        QSignalSpy access(&service, &MacRemoteService::hasAccessibilityChanged);

        service.executeCommand(RemoteCommand::next);
        QCOMPARE(status.count(), 1);
        QCOMPARE(lastCommand.count(), 1);
        QCOMPARE(count.count(), 1);
        QCOMPARE(access.count(), 0); // already true
        service.executeCommand(RemoteCommand::next);
        QCOMPARE(status.count(), 1);
        QCOMPARE(lastCommand.count(), 1);
        QCOMPARE(count.count(), 2);
        QCOMPARE(service.property("lastCommand").toString(), QStringLiteral("next"));
    }

    void commandWithPermissionPostsOneKeyPress()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());

        service.executeCommand(RemoteCommand::next);
        QCOMPARE(fake.keys.pressed, std::vector { Arrow::right });
        QCOMPARE(service.statusMessage(), QStringLiteral("▶ Slide suivante"));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("▶ Slide suivante"));

        service.executeCommand(RemoteCommand::previous);
        QCOMPARE(fake.keys.pressed, (std::vector { Arrow::right, Arrow::left }));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("◀ Slide précédente"));
        QCOMPARE(service.lastCommand(), RemoteCommand::previous);
        QCOMPARE(service.commandCount(), 2);
        QVERIFY(fake.keys.accessRequests == 0);
    }

    void commandWithoutPermissionCountsAndPrompts_data()
    {
        QTest::addColumn<bool>("grantable");
        QTest::addColumn<QString>("advice");
        QTest::newRow("grant dialog") << true << QStringLiteral("⚠️ Cliquez sur Autoriser → mot de passe admin");
        QTest::newRow("X server without XTEST") << false << QStringLiteral("⚠️ Extension XTEST absente");
    }

    void commandWithoutPermissionCountsAndPrompts()
    {
        QFETCH(bool, grantable);
        QFETCH(QString, advice);
        FakePlatform fake;
        fake.keys.grantable = grantable;
        MacRemoteService service(fake.platform());
        fake.keys.trusted = false;

        for (int i = 0; i < 3; ++i)
            service.executeCommand(RemoteCommand::next);
        QVERIFY(fake.keys.pressed.empty());
        QCOMPARE(service.hasAccessibility(), false);
        QCOMPARE(service.canRequestAccessibility(), grantable);
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

    void keyEventThatCannotBeBuiltPostsNothing()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        service.executeCommand(RemoteCommand::previous);
        fake.keys.canPress = false;

        service.executeCommand(RemoteCommand::next);
        QCOMPARE(service.statusMessage(), QStringLiteral("Commande clavier impossible"));
        QCOMPARE(service.lastCommandMessage(), QStringLiteral("◀ Slide précédente"));
        QCOMPARE(service.lastCommand(), RemoteCommand::previous);
        QCOMPARE(service.commandCount(), 1);
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

    void requestingPermissionAsksOnceAndWritesNothing()
    {
        FakePlatform fake;
        MacRemoteService service(fake.platform());
        QSignalSpy status(&service, &MacRemoteService::statusMessageChanged);
        service.requestAccessibilityPermission();
        QCOMPARE(fake.keys.accessRequests, 1);
        QCOMPARE(status.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestServiceCore)
#include "test_service_core.moc"
