#include "platform/linux/FocusedWindowChoice.h"

#include "platform/linux/ChosenKeys.h"
#include "platform/linux/DesktopNamedWindow.h"
#include "platform/linux/KWinFocusedWindow.h"
#include "platform/linux/WlrootsFocusedWindow.h"
#include "platform/linux/X11FocusedWindow.h"

#include <QDBusConnection>
#include <QLocale>

std::unique_ptr<FocusedWindow> createFocusedWindow(const QStringList& ownAppIds)
{
    std::unique_ptr<FocusedWindow> backend;
    if (ChosenKeys::currentSession() == ChosenKeys::Session::X11)
        backend = X11FocusedWindow::open();
    else if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':').contains(u"KDE"))
        backend = KWinFocusedWindow::connect(QDBusConnection::sessionBus());
    else
        backend = WlrootsFocusedWindow::connect(ownAppIds);
    if (!backend)
        backend = std::make_unique<FocusedWindow>();
    // The desktop's menus speak the session's message language ("fr-FR" here, "fr_FR" in the entries).
    const QString language = QLocale::system().uiLanguages().value(0).replace(u'-', u'_');
    return std::make_unique<DesktopNamedWindow>(
        std::move(backend), DesktopNamedWindow::applicationDirsFromEnvironment(), language);
}
