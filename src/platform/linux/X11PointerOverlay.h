#pragma once

#include "platform/PointerOverlay.h"

#include <QRasterWindow>
#include <memory>

// The dot as a small round window of its own, moved over the screen: override-redirect, so no window manager
// frames, focuses or stacks it, with an empty input shape, so clicks fall through to the slideshow, and cut round by
// its bounding shape, so it needs no compositing manager to look like a dot. It goes to the screen that shows the
// active window.
class X11PointerOverlay : public PointerOverlay {
    Q_OBJECT

public:
    using PointerOverlay::PointerOverlay;
    ~X11PointerOverlay() override;

    void showPointer(QPointF position) override;
    void hidePointer() override;

private:
    std::unique_ptr<QRasterWindow> m_dot; // made at the first touch: most talks never use the pointer
    QRect m_screen; // where the current touch points
};
