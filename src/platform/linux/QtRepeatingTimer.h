#pragma once

#include "platform/RepeatingTimer.h"

// Repeating timers on the calling thread's Qt event loop.
class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<RepeatingTimer> startRepeating(
        std::chrono::milliseconds interval, std::function<void()> onTick) override;
};
