#pragma once

#include "platform/PointerOverlay.h"

#include <QRasterWindow>
#include <memory>

// The dot painted in a transparent window that covers the whole screen, for Wayland compositors that offer no overlay
// layer (GNOME's mutter): a Wayland client can neither place its window nor keep it above the others, so the window
// is full screen and lets every click through, and stays above the slideshow only while the compositor stacks it so.
class ScreenPointerOverlay : public PointerOverlay {
    Q_OBJECT

public:
    using PointerOverlay::PointerOverlay;
    ~ScreenPointerOverlay() override;

    void showPointer(QPointF position) override;
    void hidePointer() override;

private:
    std::unique_ptr<QRasterWindow> m_window; // made at the first touch
};
