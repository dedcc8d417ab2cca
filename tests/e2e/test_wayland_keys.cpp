#include "platform/linux/ChosenKeys.h"
#include "platform/linux/FocusedWindowChoice.h"

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
};

QTEST_GUILESS_MAIN(TestWaylandKeys)
#include "test_wayland_keys.moc"
