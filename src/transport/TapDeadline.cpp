#include "TapDeadline.h"

#include <algorithm>
#include <chrono>

namespace {

// A page's deadline lies a second ahead; one further off is cut to this, far from any overflow.
constexpr qint64 longestTapWait = 10000;

}

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::optional<QDeadlineTimer> pressBefore(qint64 deadline)
{
    const qint64 remaining = deadline - steadyMilliseconds();
    if (remaining <= 0)
        return std::nullopt;
    return QDeadlineTimer(std::min(remaining, longestTapWait), Qt::PreciseTimer);
}
