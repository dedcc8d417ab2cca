#pragma once

#include <QStringView>

// Which display server the desktop session runs, and so which key backend can reach its focused window.
enum class KeySession {
    X11, // XTest on the X display
    Wayland, // a uinput virtual keyboard below the compositor
};

// Decided from the session's environment (XDG_SESSION_TYPE, WAYLAND_DISPLAY, DISPLAY), never from Qt's platform name:
// an app forced onto xcb under Wayland still needs uinput to reach the other windows.
KeySession chooseKeySession(QStringView xdgSessionType, QStringView waylandDisplay, QStringView display);

// The same decision over this process's environment.
KeySession currentKeySession();
