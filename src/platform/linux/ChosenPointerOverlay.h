#pragma once

#include "platform/PointerOverlay.h"

#include <memory>
#include <optional>

// The pointer overlay of this desktop session, chosen at the first touch so that nothing is made nor connected before
// one: a window of the X display under X11 (Xwayland included); under Wayland a layer-shell surface where the
// compositor offers one (sway, KDE Plasma), else none (GNOME), with a warning. Where the compositor's offer is learnt
// later, the choice is made again at once and the latest position is kept.
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

    bool m_hasChosen = false;
    std::unique_ptr<PointerOverlay> m_chosen; // none where no dot can be drawn
    std::optional<QPointF> m_wanted; // empty while hidden
};
