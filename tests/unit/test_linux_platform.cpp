#include "FakePlatform.h"
#include "platform/linux/ChosenKeys.h"
#include "platform/linux/DesktopNamedWindow.h"
#include "platform/linux/GetifaddrsNetworkInterfaces.h"
#include "platform/linux/UinputKeyboard.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>
#include <linux/input-event-codes.h>

namespace {

struct WrittenKey {
    int evdevKeyCode;
    bool isDown;
    bool operator==(const WrittenKey&) const = default;
};

class FakeDeviceWriter : public KeyDeviceWriter {
public:
    bool create() override
    {
        ++createCalls;
        return !refusesCreation;
    }
    void writeKey(int evdevKeyCode, bool isDown) override { written.push_back({ evdevKeyCode, isDown }); }

    bool refusesCreation = false;
    int createCalls = 0;
    std::vector<WrittenKey> written;
};

constexpr std::chrono::milliseconds shortSettleTime { 50 };

struct FixedFocusedWindow : FocusedWindow {
    KeyTarget target;
    KeyTarget current() override { return target; }
};

void writeEntry(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestLinuxPlatform : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessionChoice_data()
    {
        QTest::addColumn<QString>("xdgSessionType");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::addColumn<QString>("display");
        QTest::addColumn<ChosenKeys::Session>("expected");
        const auto row = [](const char* name, const char* xdg, const char* wayland, const char* x11,
                             ChosenKeys::Session expected) {
            QTest::newRow(name) << QString(xdg) << QString(wayland) << QString(x11) << expected;
        };
        // Under Wayland, Xwayland also sets DISPLAY; XTest there would only reach X clients.
        row("wayland session with Xwayland", "wayland", "wayland-0", ":0", ChosenKeys::Session::Wayland);
        row("x11 session despite a stray socket", "x11", "wayland-0", ":0", ChosenKeys::Session::X11);
        row("declared type wins over sockets", "wayland", "", ":0", ChosenKeys::Session::Wayland);
        row("tty type with an X display", "tty", "", ":1", ChosenKeys::Session::X11);
        row("no type, Wayland socket first", "", "wayland-1", ":0", ChosenKeys::Session::Wayland);
        row("no type, X display only", "", "", ":99", ChosenKeys::Session::X11);
        row("no display server", "", "", "", ChosenKeys::Session::Wayland);
    }

    void sessionChoice()
    {
        QFETCH(QString, xdgSessionType);
        QFETCH(QString, waylandDisplay);
        QFETCH(QString, display);
        QFETCH(ChosenKeys::Session, expected);
        QCOMPARE(ChosenKeys::sessionFor(xdgSessionType, waylandDisplay, display), expected);
    }

    void waylandBackendForWhatTheSessionOffers_data()
    {
        QTest::addColumn<bool>("uinputWritable");
        QTest::addColumn<bool>("virtualKeyboard");
        QTest::addColumn<bool>("portalKeyboard");
        QTest::addColumn<ChosenKeys::WaylandBackend>("expected");
        using enum ChosenKeys::WaylandBackend;
        const auto row
            = [](const char* name, bool uinput, bool virtualKeyboard, bool portal, ChosenKeys::WaylandBackend to) {
                  QTest::newRow(name) << uinput << virtualKeyboard << portal << to;
              };
        row("uinput already granted wins", true, true, true, uinput);
        row("wlroots compositor before the portal", false, true, true, virtualKeyboard);
        row("GNOME or Plasma portal", false, false, true, remoteDesktopPortal);
        row("nothing offered: uinput with its grant", false, false, false, uinput);
    }

    void waylandBackendForWhatTheSessionOffers()
    {
        QFETCH(bool, uinputWritable);
        QFETCH(bool, virtualKeyboard);
        QFETCH(bool, portalKeyboard);
        QFETCH(ChosenKeys::WaylandBackend, expected);
        QCOMPARE(ChosenKeys::waylandBackendFor({ uinputWritable, virtualKeyboard, portalKeyboard }).backend, expected);
    }

    void choiceMadeLaterPassesOnAnEarlyAccessRequest()
    {
        ChosenKeys keys;
        QSignalSpy accessChanges(&keys, &RemoteInput::accessChanged);
        QVERIFY(!keys.hasAccess());
        QVERIFY(!keys.pressKey(Key::right));
        QVERIFY(keys.isAskingForAccess()); // a tap meanwhile waits for the choice
        keys.requestAccess(); // "Autoriser" clicked while the portal has not answered yet

        auto backend = std::make_unique<FakeKeys>();
        FakeKeys& chosen = *backend;
        keys.choose(std::move(backend));
        QCOMPARE(chosen.accessRequests, 1);
        QVERIFY(!keys.isAskingForAccess());
        QVERIFY(keys.hasAccess());
        QVERIFY(keys.pressKey(Key::left));
        QCOMPARE(chosen.pressed, std::vector<Key> { Key::left });
        // The choice itself, then the backend's own changes.
        Q_EMIT chosen.accessChanged();
        QCOMPARE(accessChanges.count(), 2);
    }

    void uinputMapsEveryKeyAndHoldsThemUntilTheDeviceHasSettled()
    {
        auto writer = std::make_unique<FakeDeviceWriter>();
        FakeDeviceWriter& fake = *writer;
        UinputKeyboard keyboard(std::move(writer), shortSettleTime, QString(), QString(), {});

        for (const Key key : { Key::right, Key::left, Key::b, Key::home, Key::end })
            QVERIFY(keyboard.pressKey(key));
        QVERIFY(fake.written.empty());

        std::vector<WrittenKey> held;
        for (const int code : { KEY_RIGHT, KEY_LEFT, KEY_B, KEY_HOME, KEY_END })
            held.insert(held.end(), { { code, true }, { code, false } });
        QTRY_VERIFY(fake.written == held);

        // Once settled, keys go out at once.
        QVERIFY(keyboard.pressKey(Key::right));
        QCOMPARE(fake.written.size(), held.size() + 2);
        QVERIFY((fake.written.back() == WrittenKey { KEY_RIGHT, false }));
        QCOMPARE(fake.createCalls, 1);
    }

    void uinputAccessCreatesTheDeviceAsSoonAsItIsHeld()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString devicePath = dir.filePath("uinput");
        auto writer = std::make_unique<FakeDeviceWriter>();
        FakeDeviceWriter& fake = *writer;
        UinputKeyboard keyboard(std::move(writer), shortSettleTime, devicePath, QString(), {});

        QVERIFY(!keyboard.hasAccess());
        QCOMPARE(fake.createCalls, 0);

        QFile device(devicePath);
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.close();
        QVERIFY(keyboard.hasAccess());
        QCOMPARE(fake.createCalls, 1);

        // Later polls keep the one device; a device the kernel refuses is no access.
        QVERIFY(keyboard.hasAccess());
        QCOMPARE(fake.createCalls, 1);
        auto refusing = std::make_unique<FakeDeviceWriter>();
        FakeDeviceWriter& refused = *refusing;
        refused.refusesCreation = true;
        UinputKeyboard refusedKeyboard(std::move(refusing), std::chrono::milliseconds(0), devicePath, QString(), {});
        QVERIFY(!refusedKeyboard.hasAccess());
        // A refused device gives no event, and each press tries again.
        QVERIFY(!refusedKeyboard.pressKey(Key::right));
        refused.refusesCreation = false;
        QVERIFY(refusedKeyboard.pressKey(Key::right));
        QCOMPARE(refused.createCalls, 3);
    }

    void uinputGrantDialogNeverStacksWhileOpen()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString openings = dir.filePath("openings");
        // Stands in for the authentication dialog: records its opening, then stays open until the file
        // "close<its number>" appears.
        const QString dialog = QStringLiteral("echo opened >> '%1'; n=$(wc -l < '%1'); "
                                              "while [ ! -e '%2'$n ]; do sleep 0.02; done")
                                   .arg(openings, dir.filePath("close"));
        const auto openingCount = [&] {
            QFile file(openings);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
        };
        const auto closeDialog = [&](int number) {
            QFile file(dir.filePath("close%1").arg(number));
            return file.open(QIODevice::WriteOnly);
        };
        UinputKeyboard keyboard(
            std::make_unique<FakeDeviceWriter>(), shortSettleTime, QString(), "/bin/sh", { "-c", dialog });

        keyboard.requestAccess();
        QTRY_COMPARE(openingCount(), 1);
        keyboard.requestAccess();
        keyboard.requestAccess();

        // Only once the first dialog is gone does a request open a new one; a stacked dialog from the requests
        // above would have recorded itself long before the second.
        QVERIFY(closeDialog(1));
        QTRY_VERIFY_WITH_TIMEOUT((keyboard.requestAccess(), openingCount() >= 2), 5000);
        QCOMPARE(openingCount(), 2);
        QVERIFY(closeDialog(2));
    }

    void defaultRouteIsReadFromTheKernelTable()
    {
        const QByteArray table = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\n"
                                 "wlp2s0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\n"
                                 "docker0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\n"
                                 "eth0\t00000000\t0100000A\t0002\t0\t0\t100\t00000000\t0\n"; // not up
        QCOMPARE(defaultRouteInterfaces(table), QSet<QByteArray> { "wlp2s0" });
    }

    void programsAreNamedAsTheDesktopsMenusNameThem()
    {
        QTemporaryDir home, system;
        const QString homeApps = home.filePath("applications"), systemApps = system.filePath("applications");
        writeEntry(homeApps + "/org.gnome.Evince.desktop",
            "# Evince\n[Desktop Entry]\nName=Document Viewer\nName[fr]=Visionneur de documents\nType=Application\n"
            "[Desktop Action new-window]\nName[fr]=Nouvelle fenêtre\n");
        writeEntry(systemApps + "/org.gnome.Evince.desktop", "[Desktop Entry]\nType=Application\nName=Shadowed\n");
        // A class named by an entry's StartupWMClass, before an entry merely named after it.
        writeEntry(systemApps + "/libreoffice-impress.desktop", "[Desktop Entry]\nType=Application\nName=Wrong\n");
        writeEntry(systemApps + "/kde/impress.desktop",
            "[Desktop Entry]\nType=Application\nStartupWMClass=libreoffice-impress\nName=LibreOffice\\sImpress\n"
            "Name[fr_FR]=LibreOffice Impress (fr_FR)\n");
        // The whole file name before its last part, whichever folder is read first.
        writeEntry(homeApps + "/okular.desktop", "[Desktop Entry]\nType=Application\nName=Okular\n");
        writeEntry(systemApps + "/org.kde.okular.desktop", "[Desktop Entry]\nType=Application\nName=Wrong\n");
        // Deleted in the user's folder, and not an application.
        writeEntry(homeApps + "/vim.desktop", "[Desktop Entry]\nType=Application\nName=Vim\nHidden=true\n");
        writeEntry(systemApps + "/vim.desktop", "[Desktop Entry]\nType=Application\nName=Vim\n");
        writeEntry(systemApps + "/site.desktop", "[Desktop Entry]\nType=Link\nName=A site\n");

        auto backend = std::make_unique<FixedFocusedWindow>();
        FixedFocusedWindow* focused = backend.get();
        DesktopNamedWindow named(std::move(backend), { homeApps, systemApps }, "fr_CA.UTF-8@euro");
        QSignalSpy changes(&named, &FocusedWindow::changed);
        Q_EMIT focused->changed();
        QCOMPARE(changes.size(), 1);
        const auto nameOf = [&](const QString& program) {
            focused->target = { KeyTarget::State::program, program };
            const KeyTarget target = named.current();
            [&] { QCOMPARE(target.program, program); }();
            return target.name;
        };
        QCOMPARE(nameOf("Evince"), "Visionneur de documents");
        QCOMPARE(nameOf("org.gnome.Evince"), "Visionneur de documents");
        QCOMPARE(nameOf("libreoffice-impress"), "LibreOffice Impress");
        QCOMPARE(nameOf("okular"), "Okular");
        QCOMPARE(nameOf("vim"), QString());
        QCOMPARE(nameOf("site"), QString());
        focused->target = { KeyTarget::State::ownWindow, "Evince" };
        QCOMPARE(named.current().name, QString());

        // Read once per class: an entry removed later still names its program, one added later does not.
        QVERIFY(QFile::remove(homeApps + "/org.gnome.Evince.desktop"));
        writeEntry(homeApps + "/vim.desktop", "[Desktop Entry]\nType=Application\nName=Vim\n");
        QCOMPARE(nameOf("Evince"), "Visionneur de documents");
        QCOMPARE(nameOf("vim"), QString());
    }
};

QTEST_GUILESS_MAIN(TestLinuxPlatform)
#include "test_linux_platform.moc"
