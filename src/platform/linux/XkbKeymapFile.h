#pragma once

#include <QtGlobal>
#include <optional>

// An xkb keymap in an anonymous memory file, as a Wayland keyboard hands it to the compositor. The caller closes fd.
struct XkbKeymapFile {
    int fd;
    quint32 size; // bytes, the terminating NUL included
};

// The keymap of the session's default layout (XKB_DEFAULT_* or the system default): the arrows, Home and End sit at
// their evdev codes in every layout, B at KEY_B in the Latin ones, and the focused client keeps reading letters as the
// user's own layout. Empty when xkb has no keymap data or no memory file can be made.
std::optional<XkbKeymapFile> createDefaultXkbKeymapFile();
