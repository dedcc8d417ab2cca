#include "platform/linux/UinputKeyboard.h"

#include "platform/linux/EvdevKeyCode.h"

UinputKeyboard::UinputKeyboard(std::unique_ptr<KeyDeviceWriter> writer, std::chrono::milliseconds settleTime)
    : m_writer(std::move(writer))
    , m_settleTime(settleTime)
    , m_presses([this](Arrow arrow) { write(arrow); })
{
}

bool UinputKeyboard::prepareDevice()
{
    if (!m_deviceCreated && m_writer->create()) {
        m_deviceCreated = true;
        m_presses.releaseAfter(m_settleTime);
    }
    return m_deviceCreated;
}

bool UinputKeyboard::pressArrow(Arrow arrow)
{
    if (!prepareDevice())
        return false;
    m_presses.press(arrow);
    return true;
}

void UinputKeyboard::write(Arrow arrow)
{
    m_writer->writeKey(evdevKeyCodeFor(arrow), true);
    m_writer->writeKey(evdevKeyCodeFor(arrow), false);
}
