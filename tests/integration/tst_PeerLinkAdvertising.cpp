#include "PeerLinkTestSupport.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <map>

namespace {

const QString displayName = QStringLiteral("Quorvelantis Mac");
const QString serviceType = QStringLiteral("quorvelantis");

bool runAvahiDaemon(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("avahi-daemon"), arguments) == 0;
}

bool daemonIsUp() { return runAvahiDaemon({ QStringLiteral("--check") }); }

bool startDaemon()
{
    if (!runAvahiDaemon({ QStringLiteral("--daemonize"), QStringLiteral("--no-rlimits") }))
        return false;
    QDeadlineTimer deadline(5000);
    while (!daemonIsUp() && !deadline.hasExpired())
        QThread::msleep(50);
    return daemonIsUp();
}

bool stopDaemon()
{
    runAvahiDaemon({ QStringLiteral("--kill") });
    QDeadlineTimer deadline(5000);
    while (daemonIsUp() && !deadline.hasExpired())
        QThread::msleep(50);
    return !daemonIsUp();
}

// avahi-browse -p writes a byte outside letters and digits as a backslash and three decimal digits.
QString unescapeBrowseName(const QByteArray& name)
{
    static const QRegularExpression escaped(QStringLiteral("^[0-9]{3}$"));
    QByteArray bytes;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QByteArray digits = name.mid(i + 1, 3);
        if (name[i] == '\\' && escaped.match(QString::fromLatin1(digits)).hasMatch()) {
            bytes += char(digits.toInt());
            i += 3;
        } else {
            bytes += name[i];
        }
    }
    return QString::fromUtf8(bytes);
}

// Instance names of the resolved "_quorvelantis._tcp" services, by port.
std::map<quint16, QString> browse()
{
    QProcess browser;
    browser.start(QStringLiteral("avahi-browse"), { QStringLiteral("-rtp"), QStringLiteral("_quorvelantis._tcp") });
    browser.waitForFinished(10000);
    std::map<quint16, QString> found;
    for (const QByteArray& line : browser.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(';');
        if (fields.size() > 8 && fields[0] == "=")
            found[fields[8].toUShort()] = unescapeBrowseName(fields[3]);
    }
    return found;
}

// Browses until the port shows, for at most a few seconds; the name it has then, or nothing.
QString nameOnPort(quint16 port)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const auto found = browse();
        if (auto hit = found.find(port); hit != found.end())
            return hit->second;
        QTest::qWait(200);
    }
    return {};
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

    void publishedUnderItsNameOnTheServerPort()
    {
        WebSocketPeerLink link(m_network);
        LinkEvents events(link);
        link.startAdvertising(displayName, serviceType);
        QCOMPARE(nameOnPort(link.port()), displayName);
        QCOMPARE(events.advertisingFailures, 0);
    }

    void secondPublisherTakesTheAlternativeName()
    {
        WebSocketPeerLink first(m_network);
        WebSocketPeerLink second(m_network);
        first.startAdvertising(displayName, serviceType);
        second.startAdvertising(displayName, serviceType);
        const QStringList names { nameOnPort(first.port()), nameOnPort(second.port()) };
        QCOMPARE(QSet<QString>(names.begin(), names.end()),
            (QSet<QString> { displayName, displayName + QStringLiteral(" #2") }));
    }

    void missingDaemonFailsOnceThenPublishesWhenItStarts()
    {
        WebSocketPeerLink early(m_network);
        LinkEvents earlyEvents(early);
        early.startAdvertising(displayName, serviceType);
        QCOMPARE(nameOnPort(early.port()), displayName);
        QCOMPARE(earlyEvents.advertisingSuccesses, 1);

        QVERIFY(stopDaemon());
        QTRY_COMPARE(earlyEvents.advertisingFailures, 1);
        WebSocketPeerLink late(m_network);
        LinkEvents lateEvents(late);
        late.startAdvertising(QStringLiteral("Quorvelantis Late"), serviceType);
        QTRY_COMPARE(lateEvents.advertisingFailures, 1);

        // The restarted daemon gets both: the one that was published before, and the one that never was.
        QVERIFY(startDaemon());
        QCOMPARE(nameOnPort(late.port()), QStringLiteral("Quorvelantis Late"));
        QCOMPARE(nameOnPort(early.port()), displayName);
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
            QTRY_COMPARE(events.messages, QList<QByteArray> { "next" });
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
