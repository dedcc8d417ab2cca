// Starts a program and times, from its exec, the mapping of its first top-level window on $DISPLAY and, with
// --port, the first "pong" answered on that port; with --no-window, only the pong (map_ms is then 0).
//   startup_probe [--port PORT] [--no-window] -- PROGRAM ARGS...
// Prints "pid=.. map_ms=.. ping_ms=.." and leaves the program running. Without a window manager every top-level
// window is a child of the root, whose structure events tell when one is mapped.

#include "HttpExchange.h"

#include <X11/Xlib.h>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>

extern char** environ;

int main(int argc, char* argv[])
{
    int first = 1;
    unsigned short port = 0;
    if (argc > 2 && std::strcmp(argv[1], "--port") == 0) {
        port = static_cast<unsigned short>(std::atoi(argv[2]));
        first = 3;
    }
    const bool window = !(first < argc && std::strcmp(argv[first], "--no-window") == 0);
    if (!window)
        ++first;
    if (first >= argc || std::strcmp(argv[first], "--") != 0 || first + 1 >= argc) {
        std::fprintf(stderr, "usage: startup_probe [--port PORT] [--no-window] -- PROGRAM ARGS...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const auto start = BenchClock::now();
    // The program outlives the probe: it must not hold the probe's output open for whoever reads it.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[first + 1], &actions, nullptr, argv + first + 1, environ) != 0) {
        std::perror("posix_spawn");
        return 1;
    }
    double mapMs = window ? -1 : 0;
    double pingMs = port ? -1 : 0;
    const std::string ping = requestFor("/ping");
    std::string answer;
    const auto since = [&] { return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count(); };
    while ((mapMs < 0 || pingMs < 0) && since() < 20000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect && mapMs < 0)
                mapMs = since();
        }
        if (pingMs < 0 && exchange(port, ping, answer) && answer.find("pong") != std::string::npos)
            pingMs = since();
        pollfd watched { ConnectionNumber(display), POLLIN, 0 };
        poll(&watched, 1, 1);
    }
    std::printf("pid=%d map_ms=%.1f ping_ms=%.1f\n", int(pid), mapMs, pingMs);
    XCloseDisplay(display);
    return mapMs >= 0 && pingMs >= 0 ? 0 : 1;
}
