#include "platform/linux/UinputPermission.h"

#include "platform/linux/UinputKeyboard.h"

#include <QFile>
#include <unistd.h>

UinputPermission::UinputPermission(QString devicePath, UinputKeyboard& keyboard, std::unique_ptr<GrantPrompt> prompt)
    : m_devicePath(std::move(devicePath))
    , m_keyboard(keyboard)
    , m_prompt(std::move(prompt))
{
}

bool UinputPermission::isTrusted()
{
    const bool trusted = ::access(QFile::encodeName(m_devicePath).constData(), R_OK | W_OK) == 0;
    if (trusted)
        m_keyboard.prepareDevice();
    return trusted;
}

void UinputPermission::requestPrompt() { m_prompt->open(); }
