#include "platform/linux/ChosenPointerOverlay.h"
#include "platform/linux/ScreenPictureChoice.h"

#include <QProcess>
#include <QtTest>

namespace {

const QColor dotRed(229, 37, 33);

QImage waylandScreenshot()
{
    QProcess grim;
    grim.start(QStringLiteral("grim"), { QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-") });
    grim.waitForFinished();
    return QImage::fromData(grim.readAllStandardOutput());
}

} // namespace

class TestPointerOverlay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Over a full-screen client of a wlroots compositor; the compositor's copy of the screen, for the phone's
    // picture, shows it the right way up and in its colours.
    void layerShellDotIsDrawnAboveAFullScreenClientAndCopiedWithTheScreen()
    {
        if (qEnvironmentVariableIsSet("SWAY_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("SWAY_UNAVAILABLE")));
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
        const QColor middle = shown.pixelColor(shown.width() / 2, shown.height() / 2);
        const QColor client = before.pixelColor(before.width() / 2, before.height() / 2);
        QVERIFY2(qAbs(middle.red() - client.red()) < 24 && qAbs(middle.green() - client.green()) < 24
                && qAbs(middle.blue() - client.blue()) < 24,
            qPrintable(middle.name() + u' ' + client.name()));

        overlay.hidePointer();
        QTRY_COMPARE(waylandScreenshot().pixelColor(point), before.pixelColor(point));
    }
};

QTEST_MAIN(TestPointerOverlay)
#include "test_pointer_overlay.moc"
