#include "platform/linux/FocusedWindowChoice.h"

#include "platform/linux/ChosenKeys.h"
#include "platform/linux/WlrootsFocusedWindow.h"
#include "platform/linux/X11FocusedWindow.h"

std::unique_ptr<FocusedWindow> createFocusedWindow(const QStringList& ownAppIds)
{
    std::unique_ptr<FocusedWindow> backend;
    if (ChosenKeys::currentSession() == ChosenKeys::Session::X11)
        backend = X11FocusedWindow::open();
    else
        backend = WlrootsFocusedWindow::connect(ownAppIds);
    if (!backend)
        backend = std::make_unique<FocusedWindow>();
    return backend;
}
