#include "platform/linux/HeldPresses.h"

#include <utility>

HeldPresses::HeldPresses(std::function<void(Key)> write)
    : m_write(std::move(write))
{
    m_settleTimer.setSingleShot(true);
    QObject::connect(&m_settleTimer, &QTimer::timeout, &m_settleTimer, [this] { release(); });
}

void HeldPresses::press(Key key)
{
    if (m_isReleased)
        m_write(key);
    else
        m_held.push_back(key);
}

void HeldPresses::releaseAfter(std::chrono::milliseconds settleTime)
{
    if (!m_isReleased)
        m_settleTimer.start(settleTime);
}

void HeldPresses::release()
{
    m_isReleased = true;
    for (const Key key : std::exchange(m_held, {}))
        m_write(key);
}
