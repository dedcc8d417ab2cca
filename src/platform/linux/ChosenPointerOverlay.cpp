#include "platform/linux/ChosenPointerOverlay.h"

#include "platform/linux/ChosenKeys.h"
#include "platform/linux/LayerShellPointerOverlay.h"
#include "platform/linux/ScreenPointerOverlay.h"
#include "platform/linux/X11PointerOverlay.h"

#include <QGuiApplication>

ChosenPointerOverlay::~ChosenPointerOverlay() = default;

void ChosenPointerOverlay::showPointer(QPointF position)
{
    m_wanted = position;
    if (!m_chosen)
        choose();
    m_chosen->showPointer(position);
}

void ChosenPointerOverlay::hidePointer()
{
    m_wanted.reset();
    if (m_chosen)
        m_chosen->hidePointer();
}

void ChosenPointerOverlay::choose()
{
    if (ChosenKeys::currentSession() == ChosenKeys::Session::Wayland) {
        if (auto layerShell = LayerShellPointerOverlay::connect()) {
            // Queued: the overlay tells from inside its own connection's dispatch, which must not end under it.
            connect(layerShell.get(), &LayerShellPointerOverlay::unavailable, this, &ChosenPointerOverlay::chooseWindow,
                Qt::QueuedConnection);
            m_chosen = std::move(layerShell);
            return;
        }
    }
    chooseWindow();
}

void ChosenPointerOverlay::chooseWindow()
{
    // Qt's windows are X windows under X11, and under Xwayland when the app is started so.
    if (QGuiApplication::platformName() == u"xcb")
        m_chosen = std::make_unique<X11PointerOverlay>();
    else
        m_chosen = std::make_unique<ScreenPointerOverlay>();
    if (m_wanted)
        m_chosen->showPointer(*m_wanted);
}
