#pragma once

#include <QDeadlineTimer>
#include <QtGlobal>
#include <optional>

// The clock the remote page learns from the desktop's answers and sets its taps' deadlines by: steady, and the same on
// every thread of the process.
qint64 steadyMilliseconds();

// How long a tap due by deadline (on that clock) may still be pressed; none once it has passed, when the page has
// shown the tap as failed and its key must never move the slide.
std::optional<QDeadlineTimer> pressBefore(qint64 deadline);
