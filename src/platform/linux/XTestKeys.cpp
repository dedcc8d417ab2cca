#include "platform/linux/XTestKeys.h"

#include "platform/linux/KeysLogging.h"

#include <utility>
// After Qt's headers: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// B by its symbol, not its place: the server's keymap finds the key that types it in the user's layout.
KeySym keySymFor(Key key)
{
    switch (key) {
    case Key::left:
        return XK_Left;
    case Key::right:
        return XK_Right;
    case Key::b:
        return XK_b;
    case Key::home:
        return XK_Home;
    case Key::end:
        return XK_End;
    }
    return NoSymbol;
}

} // namespace

XTestKeys::~XTestKeys()
{
    if (m_display)
        XCloseDisplay(m_display);
}

_XDisplay* XTestKeys::connection()
{
    if (m_display)
        return m_display;
    // Tried again at each press: said once, not at each.
    const bool isFirstTry = !std::exchange(m_hasTried, true);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (isFirstTry)
            qCWarning(lcKeys) << "Cannot open the X display" << qgetenv("DISPLAY") << "to press keys";
        return nullptr;
    }
    int eventBase = 0, errorBase = 0, majorVersion = 0, minorVersion = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &majorVersion, &minorVersion)) {
        if (isFirstTry)
            qCWarning(lcKeys) << "The X server" << qgetenv("DISPLAY") << "has no XTEST extension to press keys";
        XCloseDisplay(display);
        return nullptr;
    }
    m_display = display;
    return m_display;
}

void XTestKeys::flushSoon()
{
    if (m_isFlushScheduled)
        return;
    m_isFlushScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_isFlushScheduled = false;
            XFlush(m_display);
        },
        Qt::QueuedConnection);
}

bool XTestKeys::pressKey(Key key)
{
    Display* display = connection();
    // Zero when the server's keymap has no key for it (a layout without Latin letters has no B).
    const KeyCode keyCode = display ? XKeysymToKeycode(display, keySymFor(key)) : 0;
    if (keyCode == 0)
        return false;
    XTestFakeKeyEvent(display, keyCode, True, CurrentTime);
    XTestFakeKeyEvent(display, keyCode, False, CurrentTime);
    flushSoon();
    return true;
}
