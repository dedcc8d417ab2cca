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
    // Opening the node is not enough: the right is only of use once the kernel has given us the keyboard.
    return ::access(QFile::encodeName(m_devicePath).constData(), R_OK | W_OK) == 0 && m_keyboard.prepareDevice();
}

void UinputPermission::requestPrompt() { m_prompt->open(); }
