#pragma once

#include "platform/AccessibilityPermission.h"
#include "platform/KeyEventPoster.h"

#include <memory>

// The key backend of this desktop session (XTest under X11, uinput under Wayland) and its permission.
struct LinuxKeys {
    std::unique_ptr<KeyEventPoster> poster;
    std::unique_ptr<AccessibilityPermission> permission;
};

LinuxKeys createLinuxKeys();
