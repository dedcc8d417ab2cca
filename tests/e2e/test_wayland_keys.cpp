#include "platform/linux/ChosenKeys.h"
#include "platform/linux/FocusedWindowChoice.h"
#include "platform/linux/ScreenPictureChoice.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <unistd.h>

namespace {

// "Right pressed", "Right released", ... from wev's log: each wl_keyboard key line is followed by a line naming its
// sym.
QStringList receivedKeys(const QString& logPath)
{
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression key(
        QStringLiteral(R"(wl_keyboard\] key:.*\((pressed|released)\)\s*\n\s*sym: (\w+))"));
    QStringList keys;
    for (const auto& match : key.globalMatch(QString::fromUtf8(log.readAll())))
        keys << match.captured(2) + u' ' + match.captured(1);
    return keys;
}

} // namespace

class TestWaylandKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void virtualKeyboardReachesTheFocusedWindowFromTheFirstPress()
    {
        if (qEnvironmentVariableIsSet("SWAY_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("SWAY_UNAVAILABLE")));
        if (::access("/dev/uinput", W_OK) == 0)
            QSKIP("/dev/uinput is writable here, so uinput rightly takes precedence over the virtual keyboard");

        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("^Keys through virtual keyboard")));
        const std::unique_ptr<ChosenKeys> keys = ChosenKeys::forThisSession();
        QVERIFY(keys->hasAccess());
        // At once, before the focused window can have bound the new keyboard: the presses must wait, not vanish.
        QStringList expected;
        for (const auto& [key, sym] : { std::pair { Key::right, "Right" }, { Key::left, "Left" }, { Key::b, "b" },
                 { Key::home, "Home" }, { Key::end, "End" } }) {
            QVERIFY(keys->pressKey(key));
            expected << sym + QStringLiteral(" pressed") << sym + QStringLiteral(" released");
        }
        QTRY_COMPARE_WITH_TIMEOUT(receivedKeys(qEnvironmentVariable("WEV_LOG")), expected, 5000);
    }

    void compositorNamesTheFocusedProgramByItsAppId()
    {
        if (qEnvironmentVariableIsSet("SWAY_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("SWAY_UNAVAILABLE")));
        const auto focused = createFocusedWindow({});
        QTRY_COMPARE_WITH_TIMEOUT(focused->current(), (KeyTarget { KeyTarget::State::program, "wev" }), 5000);
        const auto ownFocused = createFocusedWindow({ "wev" });
        QTRY_COMPARE_WITH_TIMEOUT(ownFocused->current(), (KeyTarget { KeyTarget::State::ownWindow, "wev" }), 5000);
    }

    // The compositor copies its output, where wev's grey window fills the screen, tiled alone under sway's blue title
    // bar.
    void compositorCopiesTheScreenForItsPicture()
    {
        if (qEnvironmentVariableIsSet("SWAY_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("SWAY_UNAVAILABLE")));
        const std::unique_ptr<ScreenPicture> picture = createScreenPicture();
        QSignalSpy taken(picture.get(), &ScreenPicture::taken);
        QSignalSpy failed(picture.get(), &ScreenPicture::failed);
        picture->take();
        QVERIFY2(taken.wait(5000), qPrintable(failed.value(0).value(0).toString()));
        const QByteArray jpeg = taken[0][0].toByteArray();
        const QImage shown = QImage::fromData(jpeg, "JPEG");
        QCOMPARE(shown.width(), ScreenPicture::maxWidth);
        QVERIFY(jpeg.size() <= ScreenPicture::maxBytes);
        const auto isNear = [](QColor seen, QColor expected) {
            return qAbs(seen.red() - expected.red()) < 24 && qAbs(seen.green() - expected.green()) < 24
                && qAbs(seen.blue() - expected.blue()) < 24;
        };
        QVERIFY(isNear(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(173, 173, 173)));
        QVERIFY(isNear(shown.pixelColor(2, 2), QColor(0x28, 0x55, 0x77)));
    }
};

QTEST_GUILESS_MAIN(TestWaylandKeys)
#include "test_wayland_keys.moc"
