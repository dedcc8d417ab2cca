#include "platform/linux/UinputKeyboard.h"

#include <linux/input-event-codes.h>
#include <utility>

namespace {

int evdevKeyCodeFor(Arrow arrow) { return arrow == Arrow::right ? KEY_RIGHT : KEY_LEFT; }

} // namespace

UinputKeyboard::UinputKeyboard(std::unique_ptr<KeyDeviceWriter> writer, std::chrono::milliseconds settleTime)
    : m_writer(std::move(writer))
{
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(settleTime);
    QObject::connect(&m_settleTimer, &QTimer::timeout, &m_settleTimer, [this] { becomeReady(); });
}

bool UinputKeyboard::prepareDevice()
{
    if (!m_deviceCreated && m_writer->create()) {
        m_deviceCreated = true;
        m_settleTimer.start();
    }
    return m_deviceCreated;
}

bool UinputKeyboard::pressArrow(Arrow arrow)
{
    if (!prepareDevice())
        return false;
    if (m_deviceReady)
        write(arrow);
    else
        m_heldPresses.push_back(arrow);
    return true;
}

void UinputKeyboard::write(Arrow arrow)
{
    m_writer->writeKey(evdevKeyCodeFor(arrow), true);
    m_writer->writeKey(evdevKeyCodeFor(arrow), false);
}

void UinputKeyboard::becomeReady()
{
    m_deviceReady = true;
    for (const Arrow arrow : std::exchange(m_heldPresses, {}))
        write(arrow);
}
