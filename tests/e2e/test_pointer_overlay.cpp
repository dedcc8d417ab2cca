#include "platform/linux/ChosenPointerOverlay.h"

#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <QtTest>

// After Qt's headers: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

const QColor dotRed(229, 37, 33);

// A full-screen slideshow that records where it is clicked.
class Slideshow : public QRasterWindow {
public:
    QList<QPoint> clicks;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::blue); }
    void mousePressEvent(QMouseEvent* event) override { clicks << event->position().toPoint(); }
};

// What the screen shows there, whichever window draws it.
QColor x11PixelAt(QPoint point)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, point.x(), point.y(), 1, 1).toImage().pixelColor(0, 0);
}

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
    // Over a window manager's full-screen window raised after the dot was shown: the dot is drawn where the finger
    // points, a click there reaches the slideshow, which keeps the focus, and a hidden dot leaves the slideshow seen.
    void x11DotIsDrawnAboveAndClicksPassThrough()
    {
        if (qEnvironmentVariableIsSet("X_UNAVAILABLE"))
            QFAIL(qPrintable(qEnvironmentVariable("X_UNAVAILABLE")));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint point(screen.width() / 4, screen.height() / 2);
        ChosenPointerOverlay overlay;
        overlay.showPointer({ 0.25, 0.5 });
        QTRY_COMPARE(x11PixelAt(point), dotRed);
        // A slideshow that goes full screen after the first touch stays below the dot...
        Slideshow slideshow;
        slideshow.showFullScreen();
        QVERIFY(QTest::qWaitForWindowActive(&slideshow));
        QCOMPARE(x11PixelAt(point), dotRed);
        Display* display = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
        Window focus = 0;
        int revertTo = 0;
        XGetInputFocus(display, &focus, &revertTo);
        QCOMPARE(focus, static_cast<Window>(slideshow.winId()));
        XTestFakeMotionEvent(display, -1, point.x(), point.y(), CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XFlush(display);
        QTRY_COMPARE(slideshow.clicks, QList<QPoint> { point });

        // A window that bypasses the window manager maps above the dot: the next move lifts the dot back on top.
        Slideshow cover;
        cover.setFlag(Qt::X11BypassWindowManagerHint);
        cover.setGeometry(screen);
        cover.show();
        QTRY_COMPARE(x11PixelAt(point), QColor(Qt::blue));
        overlay.showPointer({ 0.25, 0.5 });
        QTRY_COMPARE(x11PixelAt(point), dotRed);
        cover.hide();

        overlay.hidePointer();
        QTRY_COMPARE(x11PixelAt(point), QColor(Qt::blue));
    }

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
