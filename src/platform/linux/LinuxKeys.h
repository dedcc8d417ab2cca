#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/KeyInjector.h"

#include <memory>

// The key backend of this desktop session (XTest under X11, uinput under Wayland) and its permission.
struct LinuxKeys {
    std::unique_ptr<KeyInjector> injector;
    std::unique_ptr<AccessibilityPermission> permission;
};

LinuxKeys createLinuxKeys();
