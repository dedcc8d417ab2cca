#pragma once

#include "PortalScreenGrab.h"

#include <QDBusConnection>
#include <memory>

// The screen KWin calls active (the one it shows the pointer's overlay on too), asked of KWin's own screenshot
// service: its raw pixels come back through a pipe, with nothing written to disk. KWin serves only an app whose
// installed desktop entry names this service and runs the very executable asking. When KWin refuses (an app run from
// its build tree, a KWin without this service), the Screenshot portal gives the pictures for the rest of the run.
class KWinScreenGrab : public ScreenGrab {
public:
    explicit KWinScreenGrab(const QDBusConnection& bus);

    void grab() override;

private:
    void fallBack(const QString& reason);

    QDBusConnection m_bus;
    std::unique_ptr<PortalScreenGrab> m_portal;
};
