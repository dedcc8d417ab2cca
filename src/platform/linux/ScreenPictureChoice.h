#pragma once

#include "platform/ScreenPicture.h"

#include <memory>

// The screen's picture for this desktop session: read from the X server under X11, copied by the compositor on
// wlroots compositors, sent by KWin on KDE Plasma under Wayland (or its Screenshot portal, which asks nothing). GNOME
// under Wayland offers no copy, and its portal's screenshots flash the whole screen white with a shutter's sound: the
// audience would see one at every slide, so there the compositor's refusal is the answer, and no picture is shown.
// Nothing connects before the first picture is wanted.
std::unique_ptr<ScreenPicture> createScreenPicture();
