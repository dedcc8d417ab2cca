#include "platform/linux/XTestKeys.h"

#include <QCoreApplication>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

std::optional<KeySym> keySymForMacKeyCode(quint16 macKeyCode)
{
    switch (macKeyCode) {
    case 124:
        return XK_Right;
    case 123:
        return XK_Left;
    default:
        return std::nullopt;
    }
}

// Zero when the code is not an arrow key or the server's keymap has no key for it.
KeyCode keyCodeFor(Display* display, quint16 macKeyCode)
{
    const std::optional<KeySym> keySym = keySymForMacKeyCode(macKeyCode);
    return keySym ? XKeysymToKeycode(display, *keySym) : 0;
}

} // namespace

XTestDisplay::~XTestDisplay()
{
    if (m_display)
        XCloseDisplay(m_display);
}

_XDisplay* XTestDisplay::connection()
{
    if (m_display)
        return m_display;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int eventBase = 0, errorBase = 0, majorVersion = 0, minorVersion = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &majorVersion, &minorVersion)) {
        XCloseDisplay(display);
        return nullptr;
    }
    m_display = display;
    return m_display;
}

void XTestDisplay::flushSoon()
{
    if (m_isFlushScheduled)
        return;
    m_isFlushScheduled = true;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weakSelf = weak_from_this()] {
            if (const std::shared_ptr<XTestDisplay> self = weakSelf.lock()) {
                self->m_isFlushScheduled = false;
                if (self->m_display)
                    XFlush(self->m_display);
            }
        },
        Qt::QueuedConnection);
}

XTestKeyPoster::XTestKeyPoster(std::shared_ptr<XTestDisplay> display)
    : m_display(std::move(display))
{
}

std::optional<KeyEvent> XTestKeyPoster::makeKeyEvent(quint16 macKeyCode, bool isDown)
{
    Display* display = m_display->connection();
    if (!display || keyCodeFor(display, macKeyCode) == 0)
        return std::nullopt;
    return KeyEvent { macKeyCode, isDown };
}

void XTestKeyPoster::post(const KeyEvent& event)
{
    Display* display = m_display->connection();
    if (!display)
        return;
    const KeyCode keyCode = keyCodeFor(display, event.macKeyCode);
    if (keyCode == 0)
        return;
    XTestFakeKeyEvent(display, keyCode, event.isDown ? True : False, CurrentTime);
    m_display->flushSoon();
}

XTestPermission::XTestPermission(std::shared_ptr<XTestDisplay> display)
    : m_display(std::move(display))
{
}

bool XTestPermission::isTrusted() { return m_display->connection() != nullptr; }
