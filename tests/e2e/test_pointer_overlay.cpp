#include "platform/linux/ChosenPointerOverlay.h"
#include "platform/linux/KWinScreenGrab.h"
#include "platform/linux/ScreenPictureChoice.h"

#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QtTest>

namespace {

const QColor dotRed(229, 37, 33);
const QColor windowColour(20, 90, 160);

bool isKde() { return qEnvironmentVariable("XDG_CURRENT_DESKTOP") == u"KDE"; }

// KWin takes screenshots for this test only while a desktop entry names its executable. KWin's cache of the entries
// looks at the disk at most every 1.5 s.
void nameThisTestForKWin(bool isNamed)
{
    const QString path
        = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QStringLiteral("/test.desktop");
    QFile entry(path);
    if (!isNamed)
        entry.remove();
    else if (QDir().mkpath(QFileInfo(path).path()) && entry.open(QIODevice::WriteOnly))
        entry.write(
            "[Desktop Entry]\nType=Application\nName=Test\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n"
            "Exec="
            + QCoreApplication::applicationFilePath().toUtf8());
    QTest::qWait(1600);
}

QImage grabbedScreen(ScreenGrab& grab)
{
    QSignalSpy grabbed(&grab, &ScreenGrab::grabbed);
    grab.grab(); // KWin's answers before it returns, the portal's later
    return !grabbed.isEmpty() || grabbed.wait(10000) ? grabbed[0][0].value<QImage>() : QImage();
}

QImage waylandScreenshot()
{
    if (isKde()) {
        KWinScreenGrab grab(QDBusConnection::sessionBus());
        return grabbedScreen(grab);
    }
    QProcess grim;
    grim.start(QStringLiteral("grim"), { QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-") });
    grim.waitForFinished();
    return QImage::fromData(grim.readAllStandardOutput());
}

// Full screen in one known colour: under KWin the client below the dot, where sway's test has its wev window.
class PlainWindow : public QRasterWindow {
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), windowColour); }
};

} // namespace

class TestPointerOverlay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Over a full-screen client of a wlroots compositor or of KWin; the compositor's copy of the screen, for the
    // phone's picture, shows it the right way up and in its colours. KWin sends it to this test, named by a desktop
    // entry.
    void layerShellDotIsDrawnAboveAFullScreenClientAndCopiedWithTheScreen()
    {
        if (qEnvironmentVariableIsSet("SWAY_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("SWAY_UNAVAILABLE")));
        PlainWindow window;
        if (isKde()) {
            nameThisTestForKWin(true);
            QTest::failOnWarning(QRegularExpression(QStringLiteral("KWin takes no screenshot")));
            window.showFullScreen();
            QTRY_COMPARE(waylandScreenshot().pixelColor(960, 540), windowColour);
        }
        const QImage before = waylandScreenshot();
        QVERIFY(!before.isNull());
        const QPoint point(before.width() / 4, before.height() / 4);
        QVERIFY(before.pixelColor(point) != dotRed);

        ChosenPointerOverlay overlay;
        overlay.showPointer({ 0.25, 0.25 });
        QTRY_COMPARE(waylandScreenshot().pixelColor(point), dotRed);

        const std::unique_ptr<ScreenPicture> picture = createScreenPicture();
        QSignalSpy taken(picture.get(), &ScreenPicture::taken);
        QSignalSpy failed(picture.get(), &ScreenPicture::failed);
        picture->take();
        QVERIFY2(taken.wait(5000), qPrintable(failed.value(0).value(0).toString()));
        const QByteArray jpeg = taken[0][0].toByteArray();
        const QImage shown = QImage::fromData(jpeg, "JPEG");
        QCOMPARE(shown.width(), ScreenPicture::maxWidth);
        QVERIFY(jpeg.size() <= ScreenPicture::maxBytes);
        const QColor dot = shown.pixelColor(shown.width() / 4, shown.height() / 4);
        QVERIFY2(dot.red() > 160 && dot.green() < 90 && dot.blue() < 90, qPrintable(dot.name()));
        // Off the middle, where KWin draws the mouse's cursor into its screenshots.
        const QColor seen = shown.pixelColor(shown.width() * 3 / 4, shown.height() * 3 / 4);
        const QColor client = before.pixelColor(before.width() * 3 / 4, before.height() * 3 / 4);
        QVERIFY2(qAbs(seen.red() - client.red()) < 24 && qAbs(seen.green() - client.green()) < 24
                && qAbs(seen.blue() - client.blue()) < 24,
            qPrintable(seen.name() + u' ' + client.name()));

        overlay.hidePointer();
        QTRY_COMPARE(waylandScreenshot().pixelColor(point), before.pixelColor(point));
    }

    // KWin refuses an executable no desktop entry names: the Screenshot portal's picture instead, its file deleted, and
    // KWin's refusal said once.
    void kwinRefusalFallsBackToThePortal()
    {
        if (!isKde())
            QSKIP("KWin's screenshots are tried in the KDE session's run");
        nameThisTestForKWin(false);
        PlainWindow window;
        window.showFullScreen();
        KWinScreenGrab grab(QDBusConnection::sessionBus());
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("KWin takes no screenshot.*not authorized")));
        QVERIFY(!grabbedScreen(grab).isNull());
        QTest::failOnWarning(QRegularExpression(QStringLiteral("KWin takes no screenshot")));
        QTRY_COMPARE(grabbedScreen(grab).pixelColor(960, 540), windowColour);
        const QDir pictures(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
        QVERIFY2(pictures.isEmpty(), qPrintable(pictures.entryList(QDir::Files).join(u' ')));
    }
};

QTEST_MAIN(TestPointerOverlay)
#include "test_pointer_overlay.moc"
