#include "platform/linux/LibevdevDeviceWriter.h"
#include "platform/linux/UinputKeyboard.h"

#include <QFile>
#include <QtTest>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

// The real virtual keyboard against the kernel: the device appears as a full keyboard and carries our keys.
class TestUinputLive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFile::exists("/dev/uinput"))
            QSKIP("no /dev/uinput on this machine");
        if (::access("/dev/uinput", R_OK | W_OK) != 0)
            QSKIP("/dev/uinput is not readable and writable for this user");
    }

    void deviceIsAKeyboardAndCarriesOurKeys()
    {
        auto writer = std::make_unique<LibevdevDeviceWriter>();
        LibevdevDeviceWriter& device = *writer;
        UinputKeyboard keyboard(
            std::move(writer), UinputKeyboard::defaultSettleTime, UinputKeyboard::uinputPath, QString(), {});
        QVERIFY(keyboard.hasAccess());
        const QString node = device.deviceNode();
        QVERIFY2(!node.isEmpty(), "the kernel gave the virtual keyboard no /dev/input node");

        const int fd = ::open(QFile::encodeName(node).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY2(fd >= 0, qPrintable(node));
        libevdev* reader = nullptr;
        QCOMPARE(libevdev_new_from_fd(fd, &reader), 0);
        const auto cleanup = qScopeGuard([&] {
            libevdev_free(reader);
            ::close(fd);
        });
        QCOMPARE(QString::fromUtf8(libevdev_get_name(reader)), LibevdevDeviceWriter::deviceName);
        for (unsigned int code :
            { KEY_ESC, KEY_A, KEY_Z, KEY_SPACE, KEY_ENTER, KEY_LEFT, KEY_RIGHT, KEY_B, KEY_HOME, KEY_END })
            QVERIFY2(libevdev_has_event_code(reader, EV_KEY, code), libevdev_event_code_get_name(EV_KEY, code));

        QVERIFY(keyboard.pressKey(Key::right));
        QVERIFY(keyboard.pressKey(Key::end));

        QList<QPair<unsigned int, int>> received;
        const auto readKeys = [&] {
            input_event event {};
            while (libevdev_next_event(reader, LIBEVDEV_READ_FLAG_NORMAL, &event) == LIBEVDEV_READ_STATUS_SUCCESS) {
                if (event.type == EV_KEY)
                    received.append({ event.code, event.value });
            }
            return received.size();
        };
        const QList<QPair<unsigned int, int>> expected { { KEY_RIGHT, 1 }, { KEY_RIGHT, 0 }, { KEY_END, 1 },
            { KEY_END, 0 } };
        QTRY_COMPARE_WITH_TIMEOUT(readKeys(), expected.size(), 5000);
        QCOMPARE(received, expected);
    }
};

QTEST_GUILESS_MAIN(TestUinputLive)
#include "test_uinput_live.moc"
