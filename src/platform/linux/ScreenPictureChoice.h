#pragma once

#include "platform/ScreenPicture.h"

#include <memory>

// The screen's picture for this desktop session: read from the X server under X11, copied by the compositor on
// wlroots compositors. GNOME and KDE under Wayland offer no copy without asking the user each time (their Screenshot
// portal): there the compositor's refusal is the answer, and no picture is shown. Nothing connects before the first
// picture is wanted.
std::unique_ptr<ScreenPicture> createScreenPicture();
