#pragma once

#include <chrono>
#include <functional>
#include <memory>

// A running repeating timer; destroying it stops it for good.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    // Ticks arrive on the calling (main) thread.
    virtual std::unique_ptr<RepeatingTimer> startRepeating(
        std::chrono::milliseconds interval, std::function<void()> onTick)
        = 0;
};
