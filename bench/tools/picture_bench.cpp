// Slide command to the screen's new picture on the phone, and the picture's cost in CPU.
//   picture_bench [COUNT]   (on an X display, Xvfb or a desktop's, or in a Wayland session)
// A full-screen window draws a slide (a title, five lines of text, a coloured band) and the next one at each key the
// real service presses. A client thread, holding a phone's key, asks the real peer link for pictures and sends
// "next" over the session, one at a time: the time runs from sending "next" to the new picture read on the client
// thread. CPU is the process's user+system time over the run divided by the pictures (the X server's own part not
// counted); so is every other process's, which in a desktop session's private PID namespace (as
// scripts/headless_desktop.py starts it) is the compositor's and the portal's part. The main thread's longest stall is
// measured by a 1 ms timer.

#include "FakePlatform.h"
#include "Percentiles.h"
#include "platform/linux/ScreenPictureChoice.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QNetworkRequest>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketHandshakeOptions>
#include <chrono>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

class Slide : public QRasterWindow {
public:
    int number = 1;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, width(), height(), QColor(246, 241, 232));
        painter.fillRect(0, 0, width(), height() / 6, QColor::fromHsv((number * 47) % 360, 160, 200));
        QFont font = painter.font();
        font.setPixelSize(height() / 12);
        painter.setFont(font);
        painter.drawText(width() / 16, height() / 8, QStringLiteral("Slide %1: what the audience sees").arg(number));
        font.setPixelSize(height() / 24);
        painter.setFont(font);
        for (int line = 0; line < 5; ++line)
            painter.drawText(width() / 12, height() / 3 + line * height() / 10,
                QStringLiteral("• Point %1.%2, said in a few words on the projected screen").arg(number).arg(line + 1));
    }
};

// Each key the service presses turns to the next slide.
struct SlideKeys : FakeKeys {
    Slide* slide = nullptr;
    bool pressKey(Key) override
    {
        ++slide->number;
        slide->update();
        return true;
    }
};

class Phone : public QObject {
public:
    Phone(int count, std::function<void()> done)
        : m_count(count)
        , m_done(std::move(done))
    {
    }

    void start(quint16 port, const QByteArray& key)
    {
        m_socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
        connect(m_socket, &QWebSocket::connected, this,
            [this] { m_socket->sendTextMessage(QStringLiteral(R"({"watchPicture":{}})")); });
        connect(m_socket, &QWebSocket::textMessageReceived, this, [this](const QString& message) {
            if (!message.startsWith(QLatin1String(R"({"picture")")))
                return;
            if (m_isWaiting) {
                m_latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - m_sentAt).count());
                m_bytes += message.size();
            }
            if (int(m_latencies.size()) == m_count)
                return m_done();
            m_isWaiting = true;
            m_sentAt = Clock::now();
            m_socket->sendTextMessage(QStringLiteral(R"({"slideCommand":{"_0":"next"}})"));
        });
        QWebSocketHandshakeOptions options;
        options.setSubprotocols({ QStringLiteral("quorvelantis"), QString::fromLatin1(key) });
        m_socket->open(QNetworkRequest(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port))), options);
    }

    std::vector<double> m_latencies;
    qint64 m_bytes = 0;

private:
    const int m_count;
    std::function<void()> m_done;
    QWebSocket* m_socket = nullptr;
    bool m_isWaiting = false;
    Clock::time_point m_sentAt;
};

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Every other process's user+system time, from /proc.
double othersCpuSeconds()
{
    double ticks = 0;
    const QDir processes(QStringLiteral("/proc"));
    for (const QString& name : processes.entryList(QDir::Dirs)) {
        bool isProcess = false;
        if (name.toInt(&isProcess) == getpid() || !isProcess)
            continue;
        QFile stat(processes.filePath(name) + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // After the name's closing parenthesis, from the state on: utime and stime are the 12th and 13th fields.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        ticks += fields.value(11).toDouble() + fields.value(12).toDouble();
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

}

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    Slide slide;
    slide.setFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    slide.setGeometry(QGuiApplication::primaryScreen()->geometry());
    // A Wayland compositor places windows itself: there the slideshow asks for the whole screen.
    if (QGuiApplication::platformName() == u"wayland")
        slide.showFullScreen();
    else
        slide.show();

    NetworkThread network;
    FakePlatform fakes;
    SlideKeys keys;
    keys.slide = &slide;
    WebSocketPeerLink link(network);
    const std::unique_ptr<ScreenPicture> picture = createScreenPicture();
    MacRemoteService service({ keys, fakes.settings, fakes.interfaces, link, fakes.httpListeners, fakes.focusedWindow,
        fakes.pointerOverlay, *picture });
    const QByteArray key(32, 'k');
    link.setPhoneKeys({ true, { phoneSecretHash(key) }, {} });

    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, [&] { longestStall = std::max(longestStall, sinceTick.restart()); });

    QThread phoneThread;
    phoneThread.start();
    double cpuAtStart = 0;
    double othersCpuAtStart = 0;
    Phone phone(count, [&] { QMetaObject::invokeMethod(&app, [&] { app.quit(); }); });
    phone.moveToThread(&phoneThread);
    QTimer::singleShot(500, [&] {
        cpuAtStart = cpuSeconds();
        othersCpuAtStart = othersCpuSeconds();
        sinceTick.start();
        ticks.start(1);
        QMetaObject::invokeMethod(&phone, [&] { phone.start(link.port(), key); });
    });
    app.exec();
    const double cpu = cpuSeconds() - cpuAtStart;
    const double othersCpu = othersCpuSeconds() - othersCpuAtStart;
    phoneThread.quit();
    phoneThread.wait();
    std::printf("picture cpu_ms=%.1f others_cpu_ms=%.1f bytes=%lld stall_ms=%lld ", 1000 * cpu / count,
        1000 * othersCpu / count, phone.m_bytes / std::max<qint64>(1, qint64(phone.m_latencies.size())), longestStall);
    printLatencies(phone.m_latencies);
    return 0;
}
