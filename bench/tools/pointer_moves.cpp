// The pointer overlay's cost: a finger circling the pad at RATE moves per second for SECONDS through the overlay this
// session chooses (X11, or a Wayland compositor's layer shell), then the dot hidden for as long. Prints the process's
// CPU time over each phase, as a share of one core.
//   pointer_moves RATE SECONDS
#include "platform/linux/ChosenPointerOverlay.h"

#include <QGuiApplication>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    const int rate = arguments.value(1, QStringLiteral("60")).toInt();
    const int seconds = arguments.value(2, QStringLiteral("10")).toInt();
    ChosenPointerOverlay overlay;
    QTimer moves;
    moves.setTimerType(Qt::PreciseTimer);
    moves.setInterval(1000 / rate);
    int sent = 0;
    QObject::connect(&moves, &QTimer::timeout, [&] {
        // One turn a second around the middle of the screen.
        const double angle = 2 * std::numbers::pi * sent++ / rate;
        overlay.showPointer({ 0.5 + 0.3 * std::cos(angle), 0.5 + 0.3 * std::sin(angle) });
    });
    // A first touch makes the window or the connection: not counted.
    overlay.showPointer({ 0.5, 0.5 });
    QTimer::singleShot(500, [&] {
        const double start = cpuSeconds();
        moves.start();
        QTimer::singleShot(seconds * 1000, [&, start] {
            moves.stop();
            overlay.hidePointer();
            const double moving = cpuSeconds() - start;
            QTimer::singleShot(seconds * 1000, [&, moving] {
                const double hidden = cpuSeconds() - start - moving;
                std::printf("moves=%d seconds=%d moving_cpu=%.2f hidden_seconds=%d hidden_cpu=%.3f\n", sent, seconds,
                    100 * moving / seconds, seconds, 100 * hidden / seconds);
                QGuiApplication::quit();
            });
        });
    });
    return QGuiApplication::exec();
}
