#include "platform/linux/ChosenPointerOverlay.h"

#include "platform/linux/ChosenKeys.h"
#include "platform/linux/LayerShellPointerOverlay.h"
#include "platform/linux/X11PointerOverlay.h"

#include "platform/linux/KeysLogging.h"

#include <QGuiApplication>

ChosenPointerOverlay::~ChosenPointerOverlay() = default;

void ChosenPointerOverlay::showPointer(QPointF position)
{
    m_wanted = position;
    if (!m_hasChosen)
        choose();
    if (m_chosen)
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
    m_hasChosen = true;
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
    if (QGuiApplication::platformName() != u"xcb") {
        // GNOME's mutter has no overlay layer, and focuses any window shown: a dot's window would take the keys.
        qCWarning(lcKeys, "The pointer cannot be drawn above other windows on this desktop");
        m_chosen.reset();
        return;
    }
    m_chosen = std::make_unique<X11PointerOverlay>();
    if (m_wanted)
        m_chosen->showPointer(*m_wanted);
}
