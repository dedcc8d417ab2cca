#include "QtAvahiPoll.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <avahi-common/timeval.h>

// Avahi may free a watch or a timeout from inside its own callback, while Qt is still delivering the notifier's
// or timer's event: so a freed one is switched off at once and deleted later by the event loop.

struct AvahiWatch : QObject {
    AvahiWatch(int fd, AvahiWatchCallback callback, void* userdata)
        : m_fd(fd)
        , m_callback(callback)
        , m_userdata(userdata)
    {
    }

    AvahiWatchEvent happened() const { return m_happened; }

    void watchFor(AvahiWatchEvent events)
    {
        setNotifier(m_reader, QSocketNotifier::Read, events & (AVAHI_WATCH_IN | AVAHI_WATCH_ERR | AVAHI_WATCH_HUP),
            AVAHI_WATCH_IN);
        setNotifier(m_writer, QSocketNotifier::Write, events & AVAHI_WATCH_OUT, AVAHI_WATCH_OUT);
    }

    void free()
    {
        m_freed = true;
        watchFor(AvahiWatchEvent(0));
        deleteLater();
    }

private:
    void setNotifier(QSocketNotifier*& notifier, QSocketNotifier::Type type, bool wanted, AvahiWatchEvent event)
    {
        if (!notifier && wanted) {
            notifier = new QSocketNotifier(m_fd, type, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, event] { notify(event); });
        }
        if (notifier)
            notifier->setEnabled(wanted);
    }

    void notify(AvahiWatchEvent event)
    {
        if (m_freed)
            return;
        m_happened = event;
        m_callback(this, m_fd, event, m_userdata);
        m_happened = AvahiWatchEvent(0);
    }

    int m_fd;
    AvahiWatchCallback m_callback;
    void* m_userdata;
    AvahiWatchEvent m_happened = AvahiWatchEvent(0);
    bool m_freed = false;
    QSocketNotifier* m_reader = nullptr;
    QSocketNotifier* m_writer = nullptr;
};

struct AvahiTimeout : QObject {
    AvahiTimeout(AvahiTimeoutCallback callback, void* userdata)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this, callback, userdata] {
            if (!m_freed)
                callback(this, userdata);
        });
    }

    void wakeAt(const struct timeval* when)
    {
        if (!when) {
            m_timer.stop();
            return;
        }
        // avahi_age tells how long ago the absolute time was: negative for a time still to come.
        const AvahiUsec untilThen = -avahi_age(when);
        m_timer.start(int(std::clamp<AvahiUsec>((untilThen + 999) / 1000, 0, 24 * 3600 * 1000)));
    }

    void free()
    {
        m_freed = true;
        m_timer.stop();
        deleteLater();
    }

private:
    QTimer m_timer;
    bool m_freed = false;
};

namespace {

AvahiWatch* watchNew(const AvahiPoll*, int fd, AvahiWatchEvent events, AvahiWatchCallback callback, void* userdata)
{
    auto* watch = new AvahiWatch(fd, callback, userdata);
    watch->watchFor(events);
    return watch;
}

void watchUpdate(AvahiWatch* watch, AvahiWatchEvent events) { watch->watchFor(events); }

AvahiWatchEvent watchGetEvents(AvahiWatch* watch) { return watch->happened(); }

void watchFree(AvahiWatch* watch) { watch->free(); }

AvahiTimeout* timeoutNew(const AvahiPoll*, const struct timeval* when, AvahiTimeoutCallback callback, void* userdata)
{
    auto* timeout = new AvahiTimeout(callback, userdata);
    timeout->wakeAt(when);
    return timeout;
}

void timeoutUpdate(AvahiTimeout* timeout, const struct timeval* when) { timeout->wakeAt(when); }

void timeoutFree(AvahiTimeout* timeout) { timeout->free(); }

} // namespace

QtAvahiPoll::QtAvahiPoll()
    : m_poll { this, watchNew, watchUpdate, watchGetEvents, watchFree, timeoutNew, timeoutUpdate, timeoutFree }
{
}
