// Resident memory while a peer floods the peer link with pings and never reads, or with "next" messages:
//   peer_flood SECONDS [next]
// A client thread opens a session to the real peer link (the real service behind it) over a raw socket, sends
// ping frames as fast as loopback takes them and reads nothing; when the desktop cuts the session it opens another.
// Prints the process's RSS every second, then two seconds after the flood stopped.

#include "FakePlatform.h"
#include "transport/NetworkThread.h"
#include "transport/peer/WebSocketPeerLink.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A field of /proc/self/status in KiB: VmRSS, or RssAnon for the heap and stacks without the mapped libraries.
long statusKib(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// A session whose opening handshake is answered, with a tiny receive buffer that it never reads; -1 on failure.
int openSession(quint16 port)
{
    const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    const timeval timeout { 0, 200 * 1000 };
    setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char request[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    QByteArray head;
    char byte;
    if (::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && send(descriptor, request, sizeof request - 1, MSG_NOSIGNAL) > 0) {
        while (!head.contains("\r\n\r\n") && recv(descriptor, &byte, 1, 0) == 1)
            head += byte;
    }
    if (head.startsWith("HTTP/1.1 101"))
        return descriptor;
    close(descriptor);
    return -1;
}

}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    NetworkThread network;
    FakePlatform fakes;
    WebSocketPeerLink link(network);
    MacRemoteService service({ fakes.keys, fakes.settings, fakes.interfaces, link, fakes.httpListeners,
        fakes.focusedWindow, fakes.pointerOverlay, fakes.screenPicture });
    std::printf("t=0 rss_kib=%ld anon_kib=%ld\n", statusKib("VmRSS"), statusKib("RssAnon"));

    // Masked client ping frames, 125-byte payload, zero mask key; an unasked pong after each 256 KiB of them,
    // which a desktop that took any pong for a sign of life would keep the session open for.
    // In "next" mode, masked text frames "next" instead, each a slide command for the service.
    const bool isNext = argc > 2 && qstrcmp(argv[2], "next") == 0;
    QByteArray pings;
    while (pings.size() < 256 * 1024)
        pings += isNext ? QByteArray("\x81\x84\0\0\0\0next", 10)
                        : QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
    if (!isNext)
        pings += QByteArray("\x8a\x80\0\0\0\0", 6);
    std::atomic<bool> stop = false;
    std::atomic<int> sessions = 0;
    std::thread flooder([&] {
        while (!stop) {
            const int descriptor = openSession(link.port());
            if (descriptor < 0)
                continue;
            ++sessions;
            while (!stop) {
                if (send(descriptor, pings.constData(), pings.size(), MSG_NOSIGNAL) < 0 && errno != EAGAIN)
                    break;
            }
            close(descriptor);
        }
    });

    int elapsed = 0;
    long peak = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++elapsed;
        const long rss = statusKib("VmRSS");
        peak = std::max(peak, rss);
        std::printf("t=%d rss_kib=%ld anon_kib=%ld sessions=%d commands=%zu\n", elapsed, rss, statusKib("RssAnon"),
            sessions.load(), fakes.keys.pressed.size());
        if (elapsed == seconds) {
            stop = true;
            flooder.join();
        }
        if (elapsed == seconds + 2) {
            std::printf("peak_kib=%ld after_kib=%ld after_anon_kib=%ld sessions=%d\n", peak, rss, statusKib("RssAnon"),
                sessions.load());
            app.quit();
        }
    });
    sampler.start(1000);
    return app.exec();
}
