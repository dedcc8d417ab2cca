#include "platform/linux/ChosenPointerOverlay.h"

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
    // Over a full-screen client of a wlroots compositor.
    void layerShellDotIsDrawnAboveAFullScreenClient()
    {
        if (qEnvironmentVariableIsSet("SWAY_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("SWAY_UNAVAILABLE")));
        const QImage before = waylandScreenshot();
        QVERIFY(!before.isNull());
        const QPoint point(before.width() / 4, before.height() / 2);
        QVERIFY(before.pixelColor(point) != dotRed);

        ChosenPointerOverlay overlay;
        overlay.showPointer({ 0.25, 0.5 });
        QTRY_COMPARE(waylandScreenshot().pixelColor(point), dotRed);
        overlay.hidePointer();
        QTRY_COMPARE(waylandScreenshot().pixelColor(point), before.pixelColor(point));
    }
};

QTEST_MAIN(TestPointerOverlay)
#include "test_pointer_overlay.moc"
