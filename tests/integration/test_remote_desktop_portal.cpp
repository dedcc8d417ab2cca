#include "platform/linux/PortalScreenGrab.h"
#include "platform/linux/RemoteDesktopPortal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTemporaryDir>
#include <QtTest>
#include <utility>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// Where the portal puts an object it makes for a caller: its kind, the caller's bus name made path-safe, the token.
QString callerPath(const QString& kind, const QDBusMessage& call, const QVariantMap& options, const QString& tokenKey)
{
    const QString sender = call.service().mid(1).replace(u'.', u'_');
    return QStringLiteral("%1/%2/%3/%4").arg(portalPath, kind, sender, options.value(tokenKey).toString());
}

} // namespace

// The RemoteDesktop portal on a bus connection of its own: records each call (without its one-off tokens) and answers
// each request a moment later through its Response signal, as the real one does after its dialog.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint AvailableDeviceTypes MEMBER availableDeviceTypes)
    Q_PROPERTY(uint version MEMBER version)

public:
    FakePortal()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal")))
    {
        m_bus.registerObject(portalPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~FakePortal() override { m_bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop")); }

    void closeSession()
    {
        m_bus.send(QDBusMessage::createSignal(std::exchange(m_session, {}),
                       QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"))
            << QVariantMap());
    }

    QStringList calls;
    QStringList keys;
    uint availableDeviceTypes = 1;
    uint version = 2;
    uint startResponse = 0;
    bool rejectsTokens = false;
    // Key calls are answered a moment later, or only when the test says so.
    bool holdsKeyAnswers = false;
    std::vector<QDBusMessage> heldKeyAnswers;
    QElapsedTimer startAnswer;

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& call)
    {
        m_session = callerPath(QStringLiteral("session"), call, options, QStringLiteral("session_handle_token"));
        return answer(QStringLiteral("CreateSession"), call, options, 0, { { "session_handle", m_session } });
    }
    QDBusObjectPath SelectDevices(const QDBusObjectPath&, const QVariantMap& options, const QDBusMessage& call)
    {
        m_wasTokenSent = options.contains(QStringLiteral("restore_token"));
        // Version 1 knows no persistence.
        const bool isUnknownOption = version < 2 && options.contains(QStringLiteral("persist_mode"));
        return answer(QStringLiteral("SelectDevices"), call, options, isUnknownOption ? 2 : 0, {});
    }
    QDBusObjectPath Start(const QDBusObjectPath&, const QString&, const QVariantMap& options, const QDBusMessage& call)
    {
        const uint response = rejectsTokens && m_wasTokenSent ? 2 : startResponse;
        QVariantMap results { { "devices", 1u } };
        if (version >= 2)
            results.insert(QStringLiteral("restore_token"), QStringLiteral("token-1"));
        startAnswer.start();
        return answer(QStringLiteral("Start"), call, options, response, results);
    }
    void NotifyKeyboardKeycode(
        const QDBusObjectPath& session, const QVariantMap&, int keycode, uint state, const QDBusMessage& call)
    {
        keys << QStringLiteral("%1%2 %3")
                    .arg(session.path() == m_session ? "" : "closed session: ")
                    .arg(keycode)
                    .arg(state == 1 ? "down" : "up");
        // The real portal runs each call on a worker thread of its own: one sent before the last was answered may
        // overtake it.
        if (m_unansweredKeys++ > 0)
            keys << QStringLiteral("sent before the last key's answer");
        call.setDelayedReply(true);
        if (holdsKeyAnswers)
            return heldKeyAnswers.push_back(call.createReply());
        QTimer::singleShot(5, this, [this, reply = call.createReply()] { answerKey(reply); });
    }

    void answerKey(const QDBusMessage& reply)
    {
        --m_unansweredKeys;
        m_bus.send(reply);
    }

private:
    QDBusObjectPath answer(const QString& method, const QDBusMessage& call, const QVariantMap& options, uint response,
        const QVariantMap& results)
    {
        QStringList recorded { method };
        for (auto option = options.begin(); option != options.end(); ++option) {
            if (!option.key().endsWith(QStringLiteral("handle_token")))
                recorded << option.key() + u'=' + option.value().toString();
        }
        calls << recorded.join(u' ');
        const QString request = callerPath(QStringLiteral("request"), call, options, QStringLiteral("handle_token"));
        QTimer::singleShot(10, this, [this, request, response, results] {
            m_bus.send(QDBusMessage::createSignal(
                           request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"))
                << response << results);
        });
        return QDBusObjectPath(request);
    }

    QDBusConnection m_bus;
    QString m_session;
    bool m_wasTokenSent = false;
    int m_unansweredKeys = 0;
};

// A Screenshot portal that takes every request and answers none until the test says so.
class SilentScreenshotPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    SilentScreenshotPortal()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("silent-portal")))
    {
        m_bus.registerObject(portalPath, this, QDBusConnection::ExportAllSlots);
        m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~SilentScreenshotPortal() override { m_bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop")); }

    void answerLast(uint response, const QVariantMap& results = {})
    {
        m_bus.send(QDBusMessage::createSignal(
                       requests.last(), QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"))
            << response << results);
    }

    QStringList requests;

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options, const QDBusMessage& call)
    {
        requests << callerPath(QStringLiteral("request"), call, options, QStringLiteral("handle_token"));
        return QDBusObjectPath(requests.last());
    }

private:
    QDBusConnection m_bus;
};

class TestRemoteDesktopPortal : public QObject {
    Q_OBJECT

    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat);
    }
    QString keptToken() const { return settings()->value(RemoteDesktopPortal::restoreTokenKey).toString(); }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init() { QFile::remove(m_dir.filePath("settings.ini")); }

    void consentGivesOneSessionThatPostsEveryKeyUntilItCloses()
    {
        FakePortal fake;
        RemoteDesktopPortal portal(QDBusConnection::sessionBus(), settings(), fake.version);
        QSignalSpy accessChanges(&portal, &RemoteInput::accessChanged);
        QVERIFY(!portal.pressKey(Key::right));

        portal.requestAccess();
        portal.requestAccess(); // while the dialog is open: no second one
        QTRY_VERIFY(portal.hasAccess());
        // The closing dialog still has the keyboard focus a moment after it answered: keys wait until it is back.
        QVERIFY(fake.startAnswer.elapsed() >= 400);
        QCOMPARE(fake.calls, QStringList({ "CreateSession", "SelectDevices persist_mode=2 types=1", "Start" }));
        QCOMPARE(keptToken(), "token-1");
        QCOMPARE(portal.accessRequest(), AccessRequest::consent);

        QVERIFY(portal.pressKey(Key::right));
        QVERIFY(portal.pressKey(Key::left));
        QTRY_COMPARE(fake.keys, QStringList({ "106 down", "106 up", "105 down", "105 up" }));

        // A session closed between a press and its release: the release still goes out, after the press's answer,
        // and the tap queued behind it, never pressed, is dropped.
        fake.holdsKeyAnswers = true;
        QVERIFY(portal.pressKey(Key::right));
        QVERIFY(portal.pressKey(Key::left));
        QTRY_COMPARE(fake.keys.size(), 5);
        fake.closeSession();
        QTRY_VERIFY(!portal.hasAccess());
        fake.answerKey(fake.heldKeyAnswers.at(0));
        QTRY_COMPARE(fake.keys.mid(4), QStringList({ "106 down", "closed session: 106 up" }));
        fake.holdsKeyAnswers = false;
        fake.answerKey(fake.heldKeyAnswers.at(1));

        // Revoked: access is gone, and asking again restores it with the kept token.
        QCOMPARE(accessChanges.count(), 2);
        QVERIFY(!portal.pressKey(Key::right));
        portal.requestAccess();
        QTRY_VERIFY(portal.hasAccess());
        QCOMPARE(fake.calls.mid(3),
            QStringList({ "CreateSession", "SelectDevices persist_mode=2 restore_token=token-1 types=1", "Start" }));
        for (const Key key : { Key::right, Key::b, Key::home, Key::end })
            QVERIFY(portal.pressKey(key));
        QTRY_COMPARE(fake.keys.mid(6),
            QStringList({ "106 down", "106 up", "48 down", "48 up", "102 down", "102 up", "107 down", "107 up" }));
    }

    // A picture the portal does not give in time does not hold back the next ones; should it come after all, only
    // its file goes, so no picture of the talk is left behind.
    void aScreenshotPortalThatDoesNotAnswerIsGivenUp()
    {
        SilentScreenshotPortal silent;
        PortalScreenGrab grab(QDBusConnection::sessionBus());
        QSignalSpy answers(&grab, &ScreenGrab::failed);
        grab.grab();
        QVERIFY(answers.wait(7000));
        QCOMPARE(answers.at(0).at(0).toString(), QStringLiteral("the Screenshot portal did not answer within 5 s"));
        QFile late(m_dir.filePath("Screenshot.png"));
        QVERIFY(late.open(QIODevice::WriteOnly));
        late.close();
        silent.answerLast(0, { { "uri", QUrl::fromLocalFile(late.fileName()).toString() } });
        QTRY_VERIFY(!late.exists());
        grab.grab();
        QTRY_COMPARE(silent.requests.size(), 2);
        silent.answerLast(2);
        QTRY_COMPARE(answers.size(), 2);
        QCOMPARE(answers.at(1).at(0).toString(), QStringLiteral("the Screenshot portal answered 2"));
    }

    void refusalLeavesAccessMissingAndCanBeAskedAgain()
    {
        FakePortal fake;
        fake.startResponse = 1;
        RemoteDesktopPortal portal(QDBusConnection::sessionBus(), settings(), fake.version);

        portal.requestAccess();
        QTRY_VERIFY((portal.requestAccess(), fake.calls.count("CreateSession") >= 2));
        QVERIFY(!portal.hasAccess());
        QVERIFY(!portal.pressKey(Key::left));
        QVERIFY(fake.keys.isEmpty());
        QVERIFY(keptToken().isEmpty());
    }

    void keptTokenRestoresAtStartAndARejectedOneIsForgotten()
    {
        settings()->setValue(RemoteDesktopPortal::restoreTokenKey, "stale");
        FakePortal fake;
        fake.rejectsTokens = true;
        RemoteDesktopPortal portal(QDBusConnection::sessionBus(), settings(), fake.version);

        QTRY_VERIFY(portal.hasAccess());
        QCOMPARE(fake.calls,
            QStringList({ "CreateSession", "SelectDevices persist_mode=2 restore_token=stale types=1", "Start",
                "CreateSession", "SelectDevices persist_mode=2 types=1", "Start" }));
        QCOMPARE(keptToken(), "token-1");
    }

    void olderPortalIsAskedAtEachStartWithoutPersistence()
    {
        settings()->setValue(RemoteDesktopPortal::restoreTokenKey, "from a newer desktop");
        FakePortal fake;
        fake.version = 1;
        RemoteDesktopPortal portal(QDBusConnection::sessionBus(), settings(), fake.version);
        QCOMPARE(portal.accessRequest(), AccessRequest::consentEachStart);
        // No token it could take: nothing is asked before the user wants it.
        QVERIFY(!portal.isAskingForAccess());

        portal.requestAccess();
        QVERIFY(portal.isAskingForAccess());
        QTRY_VERIFY(portal.hasAccess());
        QVERIFY(!portal.isAskingForAccess());
        QCOMPARE(fake.calls, QStringList({ "CreateSession", "SelectDevices types=1", "Start" }));
    }

    void probeReadsTheKeyboardOfferAndVersion()
    {
        FakePortal fake;
        for (const uint types : { 1u, 2u }) {
            fake.availableDeviceTypes = types;
            fake.version = types;
            std::optional<RemoteDesktopPortal::Offer> offer;
            RemoteDesktopPortal::probeKeyboard(
                QDBusConnection::sessionBus(), this, [&](RemoteDesktopPortal::Offer answer) { offer = answer; });
            QTRY_VERIFY(offer.has_value());
            QCOMPARE(offer->keyboard, types == 1);
            QCOMPARE(offer->version, types);
        }
    }
};

QTEST_GUILESS_MAIN(TestRemoteDesktopPortal)
#include "test_remote_desktop_portal.moc"
