#pragma once

#include "platform/FocusedWindow.h"

#include <QSocketNotifier>
#include <memory>
#include <optional>

// The focused window on the X display: the EWMH active window, followed through the root window's PropertyNotify
// events, or the X input focus where no window manager sets one, followed through the focused window's FocusOut.
// Opens its own connection to the display.
// Xlib's types, named here without its macros (None, Status, ...), which clash with Qt's headers.
struct _XDisplay;

class X11FocusedWindow : public FocusedWindow {
public:
    // Null when the display cannot be opened.
    static std::unique_ptr<X11FocusedWindow> open();
    ~X11FocusedWindow() override;

    KeyTarget current() override;

    // A window's 32-bit property (a CARDINAL, WINDOW, ...) holding one value.
    static std::optional<long> cardinal(_XDisplay* display, unsigned long window, unsigned long property);

private:
    using XWindow = unsigned long;
    using XAtom = unsigned long;

    explicit X11FocusedWindow(_XDisplay* display);
    void readEvents();
    // The window manager's answer, when one sets it; 0 when it says no window is active.
    std::optional<XWindow> activeWindow();
    // The window's and, failing that, its nearest ancestor's property.
    std::optional<XWindow> windowWithClass(XWindow window);
    // Without a window manager, only the window losing the focus tells.
    void watchFocusLeaving(XWindow focus);

    _XDisplay* m_display;
    XAtom m_activeWindowAtom;
    XAtom m_pidAtom;
    QSocketNotifier m_notifier;
    XWindow m_watchedFocus = 0;
};
