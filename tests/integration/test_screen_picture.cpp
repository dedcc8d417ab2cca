#include "platform/linux/ScreenPictureChoice.h"
#include "platform/linux/X11PointerOverlay.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QRasterWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

// Covers the whole screen, as a slideshow does: its left half red, its right half blue, or random grey noise, which
// no JPEG of the first quality holds in the size allowed.
class Slide : public QRasterWindow {
public:
    Slide()
    {
        setFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
        setGeometry(QGuiApplication::primaryScreen()->geometry());
    }

    bool isNoise = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (!isNoise) {
            painter.fillRect(0, 0, width() / 2, height(), QColor(220, 30, 30));
            painter.fillRect(width() / 2, 0, width() - width() / 2, height(), QColor(30, 30, 220));
            return;
        }
        QImage noise(size(), QImage::Format_Grayscale8);
        for (int y = 0; y < noise.height(); ++y) {
            uchar* line = noise.scanLine(y);
            for (int x = 0; x < noise.width(); ++x)
                line[x] = uchar(QRandomGenerator::global()->bounded(256));
        }
        painter.drawImage(0, 0, noise);
    }
};

bool isNear(QColor seen, QColor expected)
{
    return qAbs(seen.red() - expected.red()) < 24 && qAbs(seen.green() - expected.green()) < 24
        && qAbs(seen.blue() - expected.blue()) < 24;
}

} // namespace

class TestScreenPicture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The X server's pixels of the presentation's screen, read off the main thread, come back small enough for a
    // phone, with their colours where they are on the screen; a screen hard to compress still fits.
    void theXScreenComesBackAsASmallJpegOfWhatItShows()
    {
        Slide slide;
        slide.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slide));
        const std::unique_ptr<ScreenPicture> picture = createScreenPicture();
        QSignalSpy taken(picture.get(), &ScreenPicture::taken);
        QSignalSpy failed(picture.get(), &ScreenPicture::failed);
        const auto takeOne = [&] {
            taken.clear();
            QTest::qWait(100); // drawn by the X server
            picture->take();
            return taken.wait(5000) ? QImage::fromData(taken[0][0].toByteArray(), "JPEG") : QImage();
        };
        QImage shown = takeOne();
        QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
        QCOMPARE(shown.width(), ScreenPicture::maxWidth);
        QVERIFY(taken[0][0].toByteArray().size() <= ScreenPicture::maxBytes);
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(shown.height(), qRound(screen.height() * double(ScreenPicture::maxWidth) / screen.width()));
        QVERIFY(isNear(shown.pixelColor(shown.width() / 4, shown.height() / 2), QColor(220, 30, 30)));
        QVERIFY(isNear(shown.pixelColor(shown.width() * 3 / 4, shown.height() / 2), QColor(30, 30, 220)));

        slide.isNoise = true;
        slide.update();
        shown = takeOne();
        QVERIFY(!shown.isNull());
        QVERIFY(taken[0][0].toByteArray().size() <= ScreenPicture::maxBytes);
    }

    // A slideshow that raises itself over the dot, as one does when made full screen, is covered again at the next
    // move.
    void theDotComesBackAboveASlideshowRaisedOverIt()
    {
        Slide slide;
        slide.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slide));
        const QRect screen = slide.geometry();
        const auto colourAt = [](QPoint point) {
            return QGuiApplication::primaryScreen()
                ->grabWindow(0, point.x(), point.y(), 1, 1)
                .toImage()
                .pixelColor(0, 0);
        };
        const QColor dotRed(229, 37, 33);
        const QColor slideBlue(30, 30, 220);
        X11PointerOverlay dot;
        dot.showPointer(QPointF(0.75, 0.5));
        const QPoint first(screen.width() * 3 / 4, screen.height() / 2);
        QTRY_VERIFY(isNear(colourAt(first), dotRed));
        slide.raise();
        QTRY_VERIFY(isNear(colourAt(first), slideBlue));
        dot.showPointer(QPointF(0.8, 0.5));
        QTRY_VERIFY(isNear(colourAt(QPoint(screen.width() * 4 / 5, screen.height() / 2)), dotRed));
    }
};

QTEST_MAIN(TestScreenPicture)
#include "test_screen_picture.moc"
