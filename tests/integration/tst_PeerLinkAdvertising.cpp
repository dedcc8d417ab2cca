#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

namespace {

const QString displayName = QStringLiteral("Quorvelantis Mac");
const QString serviceType = QStringLiteral("quorvelantis");

// Runs avahi-daemon with the arguments, then waits a few seconds for it to be up (or down); true once it is.
bool runDaemon(const QString& argument, bool up)
{
    QProcess::execute(QStringLiteral("avahi-daemon"), { argument, QStringLiteral("--no-rlimits") });
    return QTest::qWaitFor(
        [up] { return (QProcess::execute(QStringLiteral("avahi-daemon"), { QStringLiteral("--check") }) == 0) == up; },
        5000);
}

bool startDaemon() { return runDaemon(QStringLiteral("--daemonize"), true); }
bool stopDaemon() { return runDaemon(QStringLiteral("--kill"), false); }

// Browses until the port shows under the name, for at most a few seconds. A service withdrawn a moment ago may
// still show on the same port, under its own name.
bool publishedAs(quint16 port, const QString& name)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QProcess browser;
        browser.start(QStringLiteral("avahi-browse"), { QStringLiteral("-rtp"), QStringLiteral("_quorvelantis._tcp") });
        browser.waitForFinished(10000);
        for (const QByteArray& line : browser.readAllStandardOutput().split('\n')) {
            QList<QByteArray> fields = line.split(';');
            // avahi-browse -p writes a space as \032 and # as \035.
            if (fields.size() > 8 && fields[0] == "=" && fields[8].toUShort() == port
                && QString::fromUtf8(fields[3].replace("\\032", " ").replace("\\035", "#")) == name)
                return true;
        }
        QTest::qWait(200);
    }
    return false;
}

} // namespace

// Runs in its own namespaces with its own avahi-daemon (see with-private-avahi.sh).
class PeerLinkAdvertisingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariable("QUORVELANTIS_PRIVATE_AVAHI") != QStringLiteral("1"))
            QFAIL("Run through with-private-avahi.sh (ctest does): this test starts and stops avahi-daemon.");
        QVERIFY2(startDaemon(), "avahi-daemon does not start");
    }

    void publishedUnderItsNameOrAnAlternativeAndAgainWhenTheDaemonRestarts()
    {
        WebSocketPeerLink early(m_network);
        LinkEvents earlyEvents(early);
        early.startAdvertising(displayName, serviceType);
        QVERIFY(publishedAs(early.port(), displayName));
        QTRY_COMPARE(earlyEvents.advertisingSuccesses, 1);
        QCOMPARE(earlyEvents.advertisingFailures, 0);
        {
            WebSocketPeerLink second(m_network);
            second.startAdvertising(displayName, serviceType);
            QVERIFY(publishedAs(second.port(), displayName + QStringLiteral(" #2")));
        }

        QVERIFY(stopDaemon());
        QTRY_COMPARE(earlyEvents.advertisingFailures, 1);
        WebSocketPeerLink late(m_network);
        LinkEvents lateEvents(late);
        late.startAdvertising(QStringLiteral("Quorvelantis Late"), serviceType);
        QTRY_COMPARE(lateEvents.advertisingFailures, 1);

        // The restarted daemon gets both: the one that was published before, and the one that never was.
        QVERIFY(startDaemon());
        QVERIFY(publishedAs(late.port(), QStringLiteral("Quorvelantis Late")));
        QVERIFY(publishedAs(early.port(), displayName));
        QTRY_COMPARE(lateEvents.advertisingSuccesses, 1);
        QTRY_COMPARE(earlyEvents.advertisingSuccesses, 2);
        QCOMPARE(lateEvents.advertisingFailures, 1);
    }

    // A process that holds the daemon's bus name and never answers: Avahi's calls hang, the sessions do not.
    void hungDaemonStallsNoSession()
    {
        QVERIFY(stopDaemon());
        QProcess holder;
        holder.start(QStringLiteral("dbus-test-tool"),
            { QStringLiteral("black-hole"), QStringLiteral("--system"), QStringLiteral("--name=org.freedesktop.Avahi"),
                QStringLiteral("--no-read") });
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY(QProcess::execute(QStringLiteral("dbus-send"),
                        { QStringLiteral("--system"), QStringLiteral("--print-reply"),
                            QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/"),
                            QStringLiteral("org.freedesktop.DBus.GetNameOwner"),
                            QStringLiteral("string:org.freedesktop.Avahi") })
            == 0);
        {
            WebSocketPeerLink link(m_network);
            LinkEvents events(link);
            link.startAdvertising(displayName, serviceType);
            QTest::qWait(200);
            QElapsedTimer served;
            served.start();
            Client phone;
            QVERIFY(phone.open(link.port()));
            phone.socket.sendTextMessage(QStringLiteral("next"));
            QTRY_COMPARE(events.commands, QList<RemoteCommand> { RemoteCommand::next });
            QVERIFY2(served.elapsed() < 2000, QByteArray::number(served.elapsed()));
            // The holder's end answers Avahi's waiting call, so the publishing thread can end with the link.
            holder.kill();
            holder.waitForFinished();
        }
        QVERIFY(startDaemon());
    }

private:
    NetworkThread m_network;
};

QTEST_GUILESS_MAIN(PeerLinkAdvertisingTest)
#include "tst_PeerLinkAdvertising.moc"
