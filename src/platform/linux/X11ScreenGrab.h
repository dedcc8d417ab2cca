#pragma once

#include "ScreenGrab.h"

#include <QRect>
#include <cstdint>

struct xcb_connection_t;

// The screen read from the X server on a connection of its own, opened at the first grab: xcb, unlike Xlib, may be
// used from this thread while the rest of the app talks to the same server. The pixels come through shared memory
// (MIT-SHM) where the server offers it, ten times faster than through the socket, else with a plain GetImage.
class X11ScreenGrab : public ScreenGrab {
public:
    // area: the part of the root window that holds the presentation, in pixels.
    explicit X11ScreenGrab(QRect area);
    ~X11ScreenGrab() override;
    X11ScreenGrab(const X11ScreenGrab&) = delete;
    X11ScreenGrab& operator=(const X11ScreenGrab&) = delete;

    void grab() override;

private:
    QString connectOnce();
    void shareMemory();
    QImage readShared(uint32_t root);
    QImage readThroughSocket(uint32_t root, QString& reason);
    void disconnect();

    QRect m_area;
    xcb_connection_t* m_connection = nullptr;
    uint32_t m_segment = 0; // the server's name for the shared memory; 0 while none is shared
    void* m_pixels = nullptr;
};
