#include "platform/linux/KeySession.h"

#include <QString>

KeySession chooseKeySession(QStringView xdgSessionType, QStringView waylandDisplay, QStringView display)
{
    if (xdgSessionType.compare(u"wayland", Qt::CaseInsensitive) == 0)
        return KeySession::Wayland;
    if (xdgSessionType.compare(u"x11", Qt::CaseInsensitive) == 0)
        return KeySession::X11;
    // "tty", "unspecified" or unset (ssh, scripts): judge by the display sockets the session hands its clients.
    if (!waylandDisplay.isEmpty())
        return KeySession::Wayland;
    if (!display.isEmpty())
        return KeySession::X11;
    // No display server at all: only the kernel's input stream is left.
    return KeySession::Wayland;
}

KeySession currentKeySession()
{
    return chooseKeySession(qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("WAYLAND_DISPLAY"),
        qEnvironmentVariable("DISPLAY"));
}
