#pragma once

#include "platform/PointerOverlay.h"

#include <memory>
#include <optional>

// The pointer overlay of this desktop session, chosen at the first touch so that nothing is made nor connected before
// one: a window of the X display under X11; under Wayland a layer-shell surface where the compositor offers one (sway,
// KDE Plasma), else a transparent window covering the screen (GNOME). Where the compositor's offer is learnt later,
// the dot moves to the window at once and the latest position is kept.
class ChosenPointerOverlay : public PointerOverlay {
    Q_OBJECT

public:
    using PointerOverlay::PointerOverlay;
    ~ChosenPointerOverlay() override;

    void showPointer(QPointF position) override;
    void hidePointer() override;

private:
    void choose();
    void chooseWindow();

    std::unique_ptr<PointerOverlay> m_chosen;
    std::optional<QPointF> m_wanted; // empty while hidden
};
