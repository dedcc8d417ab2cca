// Time from the first byte of "GET /next" to the Right key arriving at an X client.
//   x_key_latency PORT COUNT
// Maps a small window on $DISPLAY, gives it the focus, then for each press connects, sends the request and waits
// for the KeyPress of Right; prints p50/p99/max in microseconds. Start it after the app has mapped its window.

#include "HttpExchange.h"
#include "Percentiles.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <cstdlib>
#include <poll.h>

namespace {

// Waits up to timeoutMs for an X event of one of the given types; true when one came.
bool waitForEvent(Display* display, int type, unsigned keycode, int timeoutMs)
{
    const auto deadline = BenchClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == type && (type == MapNotify || event.xkey.keycode == keycode))
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - BenchClock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched { ConnectionNumber(display), POLLIN, 0 };
        poll(&watched, 1, int(left.count()));
    }
}

}

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: x_key_latency PORT COUNT\n");
        return 2;
    }
    const auto port = static_cast<unsigned short>(std::atoi(argv[1]));
    const int count = std::atoi(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(display, window);
    if (!waitForEvent(display, MapNotify, 0, 5000)) {
        std::fprintf(stderr, "window never mapped\n");
        return 1;
    }
    // No window manager under Xvfb: the window takes the focus itself.
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    const unsigned right = XKeysymToKeycode(display, XK_Right);

    const std::string request = requestFor("/next");
    std::string answer;
    std::vector<double> samples;
    for (int index = 0; index < count; ++index) {
        const int descriptor = connectLoopback(port);
        if (descriptor < 0) {
            std::fprintf(stderr, "connect failed\n");
            return 1;
        }
        const auto start = BenchClock::now();
        if (send(descriptor, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) {
            std::fprintf(stderr, "send failed\n");
            return 1;
        }
        if (!waitForEvent(display, KeyPress, right, 2000)) {
            std::fprintf(stderr, "press %d: no Right key within 2 s\n", index);
            return 1;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(BenchClock::now() - start).count());
        // The request was sent already; read the answer out and let the release arrive before the next press.
        finishExchange(descriptor, "", answer);
        waitForEvent(display, KeyRelease, right, 2000);
    }
    printLatencies(samples);
    XCloseDisplay(display);
    return 0;
}
