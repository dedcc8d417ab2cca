#pragma once

#include "platform/FocusedWindow.h"

#include <QStringList>
#include <memory>

// The focused-window backend of this desktop session: the X display's under X11, a KWin script's reports on KDE Plasma
// under Wayland, the compositor's toplevel list on wlroots compositors (sway, Hyprland), and one that answers unknown
// elsewhere (GNOME under Wayland, whose window list is for its portals only); each names the program as the desktop's
// menus do.
// ownAppIds: the app ids that name this app's own windows on Wayland, where no process id comes with a window.
std::unique_ptr<FocusedWindow> createFocusedWindow(const QStringList& ownAppIds);
