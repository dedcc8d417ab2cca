#include "platform/linux/UinputKeyboard.h"

#include <linux/input-event-codes.h>
#include <utility>

namespace {

std::optional<int> evdevKeyCodeFor(quint16 macKeyCode)
{
    switch (macKeyCode) {
    case 124:
        return KEY_RIGHT;
    case 123:
        return KEY_LEFT;
    default:
        return std::nullopt;
    }
}

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

std::optional<KeyEvent> UinputKeyboard::makeKeyEvent(quint16 macKeyCode, bool isDown)
{
    if (!evdevKeyCodeFor(macKeyCode) || !prepareDevice())
        return std::nullopt;
    return KeyEvent { macKeyCode, isDown };
}

void UinputKeyboard::post(const KeyEvent& event)
{
    const std::optional<int> keyCode = evdevKeyCodeFor(event.macKeyCode);
    if (!keyCode || !m_deviceCreated)
        return;
    if (!m_deviceReady) {
        m_heldEvents.push_back(event);
        return;
    }
    m_writer->writeKey(*keyCode, event.isDown);
}

void UinputKeyboard::becomeReady()
{
    m_deviceReady = true;
    for (const KeyEvent& event : std::exchange(m_heldEvents, {}))
        post(event);
}
