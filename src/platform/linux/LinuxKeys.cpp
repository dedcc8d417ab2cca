#include "platform/linux/LinuxKeys.h"

#include "platform/linux/GrantPrompt.h"
#include "platform/linux/KeySession.h"
#include "platform/linux/LibevdevDeviceWriter.h"
#include "platform/linux/UinputKeyboard.h"
#include "platform/linux/UinputPermission.h"
#include "platform/linux/XTestKeys.h"

LinuxKeys createLinuxKeys()
{
    if (currentKeySession() == KeySession::X11) {
        auto display = std::make_shared<XTestDisplay>();
        return { std::make_unique<XTestKeyInjector>(display), std::make_unique<XTestPermission>(display) };
    }
    auto keyboard
        = std::make_unique<UinputKeyboard>(std::make_unique<LibevdevDeviceWriter>(), UinputKeyboard::defaultSettleTime);
    auto prompt = std::make_unique<GrantPrompt>(GrantPrompt::pkexecPath, QStringList { GrantPrompt::helperPath });
    auto permission = std::make_unique<UinputPermission>(UinputPermission::uinputPath, *keyboard, std::move(prompt));
    // The permission is destroyed first (declaration order of LinuxKeys), so its keyboard reference never dangles.
    return { std::move(keyboard), std::move(permission) };
}
