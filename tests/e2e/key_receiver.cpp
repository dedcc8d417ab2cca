// A window that takes the keyboard focus on the X display and reports what it receives, for tests that check that
// real key events reach an X client.
//
// Output on stdout, one line per event, flushed at once:
//   ready            the window holds the keyboard focus (printed once)
//   press <key>      a key went down; <key> is Qt's portable key name: Right, Left, A, Space, ...
//   release <key>    that key went up
// It runs on the xcb platform whatever QT_QPA_PLATFORM says, and exits when its window is closed or it is killed.
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPainter>
#include <QRasterWindow>
#include <cstdio>

namespace {

void printLine(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

class KeyReceiverWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::white); }

    void focusInEvent(QFocusEvent*) override
    {
        if (!m_ready)
            printLine(QStringLiteral("ready"));
        m_ready = true;
    }

    void keyPressEvent(QKeyEvent* event) override { printKey(QStringLiteral("press"), event); }
    void keyReleaseEvent(QKeyEvent* event) override { printKey(QStringLiteral("release"), event); }

private:
    static void printKey(const QString& transition, const QKeyEvent* event)
    {
        printLine(transition + u' ' + QKeySequence(event->key()).toString(QKeySequence::PortableText));
    }

    bool m_ready = false;
};

} // namespace

int main(int argc, char** argv)
{
    // Without a window manager nothing hands out the focus: the window must ask the X server for it itself.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    KeyReceiverWindow window;
    window.setTitle(QStringLiteral("Re: confidential"));
    window.resize(200, 120);
    window.show();
    window.requestActivate();
    return app.exec();
}
