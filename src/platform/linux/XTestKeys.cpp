#include "platform/linux/XTestKeys.h"

#include <QCoreApplication>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

KeySym keySymFor(Arrow arrow) { return arrow == Arrow::right ? XK_Right : XK_Left; }

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

XTestKeyInjector::XTestKeyInjector(std::shared_ptr<XTestDisplay> display)
    : m_display(std::move(display))
{
}

bool XTestKeyInjector::pressArrow(Arrow arrow)
{
    Display* display = m_display->connection();
    // Zero when the server's keymap has no key for the arrow.
    const KeyCode keyCode = display ? XKeysymToKeycode(display, keySymFor(arrow)) : 0;
    if (keyCode == 0)
        return false;
    XTestFakeKeyEvent(display, keyCode, True, CurrentTime);
    XTestFakeKeyEvent(display, keyCode, False, CurrentTime);
    m_display->flushSoon();
    return true;
}

XTestPermission::XTestPermission(std::shared_ptr<XTestDisplay> display)
    : m_display(std::move(display))
{
}

bool XTestPermission::isTrusted() { return m_display->connection() != nullptr; }
