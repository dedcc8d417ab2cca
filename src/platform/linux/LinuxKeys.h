#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/KeyInjector.h"

#include <memory>

// The key backend of this desktop session and its permission.
struct LinuxKeys {
    std::unique_ptr<KeyInjector> injector;
    std::unique_ptr<AccessibilityPermission> permission;
};

// XTest under X11. Under Wayland the first that needs nobody's consent (uinput already granted, the compositor's
// virtual keyboard), else the RemoteDesktop portal's dialog, else uinput through the administrator's grant; the choice
// and its reason go to the log once.
LinuxKeys createLinuxKeys();
