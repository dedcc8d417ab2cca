#pragma once

#include "ScreenGrab.h"

#include <QRect>

struct xcb_connection_t;

// The screen read from the X server with GetImage on a connection of its own, opened at the first grab: xcb, unlike
// Xlib, may be used from this thread while the rest of the app talks to the same server.
class X11ScreenGrab : public ScreenGrab {
public:
    // area: the part of the root window that holds the presentation, in pixels.
    explicit X11ScreenGrab(QRect area);
    ~X11ScreenGrab() override;

    void grab() override;

private:
    QRect m_area;
    xcb_connection_t* m_connection = nullptr;
};
