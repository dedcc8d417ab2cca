#include "ScreenPictureChoice.h"

#include "ChosenKeys.h"
#include "KWinScreenGrab.h"
#include "ThreadedScreenPicture.h"
#include "WlrootsScreenGrab.h"
#include "X11ScreenGrab.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>

std::unique_ptr<ScreenPicture> createScreenPicture()
{
    if (ChosenKeys::currentSession() == ChosenKeys::Session::Wayland
        && qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':').contains(u"KDE"))
        return std::make_unique<ThreadedScreenPicture>(
            [] { return std::make_unique<KWinScreenGrab>(QDBusConnection::sessionBus()); });
    if (ChosenKeys::currentSession() == ChosenKeys::Session::Wayland)
        return std::make_unique<ThreadedScreenPicture>([] { return std::make_unique<WlrootsScreenGrab>(); });
    return std::make_unique<ThreadedScreenPicture>([] {
        // The screen the pointer's dot is drawn on, in the root window's pixels.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        return std::make_unique<X11ScreenGrab>(QRect(qRound(area.x() * ratio), qRound(area.y() * ratio),
            qRound(area.width() * ratio), qRound(area.height() * ratio)));
    });
}
