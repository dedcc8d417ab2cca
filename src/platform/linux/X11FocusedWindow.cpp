#include "platform/linux/X11FocusedWindow.h"

#include "platform/linux/KeysLogging.h"

// After Qt's headers: Xlib's macros would break them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace {

// A window may vanish between two requests; Xlib's default handler would end the process for that.
int reportXError(Display*, XErrorEvent* event)
{
    qCDebug(lcKeys) << "X request" << event->request_code << "failed with error" << event->error_code;
    return 0;
}

} // namespace

std::unique_ptr<X11FocusedWindow> X11FocusedWindow::open()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        qCWarning(lcKeys) << "Cannot open the X display" << qgetenv("DISPLAY") << "to follow the focused window";
        return nullptr;
    }
    XSetErrorHandler(reportXError);
    return std::unique_ptr<X11FocusedWindow>(new X11FocusedWindow(display));
}

X11FocusedWindow::X11FocusedWindow(Display* display)
    : m_display(display)
    , m_activeWindowAtom(XInternAtom(display, "_NET_ACTIVE_WINDOW", False))
    , m_pidAtom(XInternAtom(display, "_NET_WM_PID", False))
    , m_notifier(ConnectionNumber(display), QSocketNotifier::Read)
{
    XSelectInput(m_display, DefaultRootWindow(m_display), PropertyChangeMask);
    XFlush(m_display);
    connect(&m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11FocusedWindow::~X11FocusedWindow() { XCloseDisplay(m_display); }

void X11FocusedWindow::readEvents()
{
    bool activeWindowChanged = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        activeWindowChanged
            |= (event.type == PropertyNotify && event.xproperty.atom == m_activeWindowAtom) || event.type == FocusOut;
    }
    if (activeWindowChanged)
        Q_EMIT changed();
}

KeyTarget X11FocusedWindow::current()
{
    Window focus = 0;
    if (const std::optional<Window> active = activeWindow()) {
        focus = *active;
    } else {
        int revertTo = 0;
        XGetInputFocus(m_display, &focus, &revertTo);
        watchFocusLeaving(focus);
    }
    // Replies read here may have brought events with them, which the socket will not announce again.
    readEvents();
    if (focus == None || focus == PointerRoot)
        return { KeyTarget::State::nothing, {} };
    const std::optional<Window> toplevel = windowWithClass(focus);
    XClassHint hint {};
    if (!toplevel || !XGetClassHint(m_display, *toplevel, &hint))
        return { KeyTarget::State::nothing, {} };
    const QString program = QString::fromLocal8Bit(hint.res_class);
    XFree(hint.res_name);
    XFree(hint.res_class);
    const bool isOwn = cardinal(m_display, *toplevel, m_pidAtom) == getpid();
    return { isOwn ? KeyTarget::State::ownWindow : KeyTarget::State::program, program };
}

void X11FocusedWindow::watchFocusLeaving(XWindow focus)
{
    if (focus == m_watchedFocus || focus == None || focus == PointerRoot)
        return;
    m_watchedFocus = focus;
    XSelectInput(m_display, focus, FocusChangeMask);
    XFlush(m_display);
}

std::optional<X11FocusedWindow::XWindow> X11FocusedWindow::activeWindow()
{
    const std::optional<long> active = cardinal(m_display, DefaultRootWindow(m_display), m_activeWindowAtom);
    if (!active)
        return std::nullopt;
    return static_cast<Window>(*active);
}

std::optional<X11FocusedWindow::XWindow> X11FocusedWindow::windowWithClass(XWindow window)
{
    // The input focus may rest on a child of the program's top-level window.
    for (int depth = 0; depth < 16 && window != None; ++depth) {
        XClassHint hint {};
        if (XGetClassHint(m_display, window, &hint)) {
            XFree(hint.res_name);
            XFree(hint.res_class);
            return window;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, window, &root, &parent, &children, &count))
            return std::nullopt;
        if (children)
            XFree(children);
        if (parent == root)
            return std::nullopt;
        window = parent;
    }
    return std::nullopt;
}

std::optional<long> X11FocusedWindow::cardinal(Display* display, XWindow window, XAtom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(
            display, window, property, 0, 1, False, AnyPropertyType, &type, &format, &count, &remaining, &data)
            != Success
        || !data)
        return std::nullopt;
    // Xlib hands 32-bit items over as longs.
    const std::optional<long> value
        = format == 32 && count == 1 ? std::optional<long>(*reinterpret_cast<long*>(data)) : std::nullopt;
    XFree(data);
    return value;
}
