#pragma once

#include "ScreenGrab.h"

#include <QDBusConnection>

// The screen as the desktop's Screenshot portal saves it, where it asks the user nothing (KDE Plasma): a PNG file in
// the user's pictures, read and then deleted, so no picture of the talk is left behind. The portal answers on the
// picture thread's event loop, within a second; one that has not answered in 5 s is given up.
class PortalScreenGrab : public ScreenGrab {
public:
    explicit PortalScreenGrab(const QDBusConnection& bus);

    void grab() override;

private:
    void read(uint response, const QVariantMap& results, bool isGivenUp);

    QDBusConnection m_bus;
};
