#pragma once

#include "platform/FocusedWindow.h"

#include <memory>

// The focused-window backend of this desktop session: the X display's under X11, the compositor's toplevel list on
// wlroots compositors (sway, Hyprland), and one that answers unknown elsewhere (GNOME, KDE under Wayland).
std::unique_ptr<FocusedWindow> createFocusedWindow();
