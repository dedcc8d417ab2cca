#pragma once

#include <avahi-common/watch.h>

// Runs Avahi's I/O watches and timeouts on the Qt event loop of the thread that owns this object:
// one QSocketNotifier per watched direction, one single-shot QTimer per timeout.
// Freed watches and timeouts are deleted by that event loop, so it must run once more after the last free.
class QtAvahiPoll {
public:
    QtAvahiPoll();
    QtAvahiPoll(const QtAvahiPoll&) = delete;
    QtAvahiPoll& operator=(const QtAvahiPoll&) = delete;

    const AvahiPoll* poll() const { return &m_poll; }

private:
    AvahiPoll m_poll;
};
