#include "QtRepeatingTimer.h"

#include <QTimer>

namespace {

class QtRepeatingTimer : public RepeatingTimer {
public:
    QtRepeatingTimer(std::chrono::milliseconds interval, std::function<void()> onTick)
    {
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onTick));
        m_timer.start(interval);
    }

private:
    QTimer m_timer;
};

}

std::unique_ptr<RepeatingTimer> QtTimerFactory::startRepeating(
    std::chrono::milliseconds interval, std::function<void()> onTick)
{
    return std::make_unique<QtRepeatingTimer>(interval, std::move(onTick));
}
