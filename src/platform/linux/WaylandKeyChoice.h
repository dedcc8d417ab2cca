#pragma once

#include <QString>

// The key backends of a Wayland session.
enum class WaylandKeyBackend { uinput, virtualKeyboard, remoteDesktopPortal };

// What the session was found to offer. A later backend is only probed when the earlier ones are missing, so an
// unprobed offer reads as false.
struct WaylandKeyOffers {
    bool uinputWritable = false;
    bool virtualKeyboard = false;
    bool portalKeyboard = false;
};

struct WaylandKeyChoice {
    WaylandKeyBackend backend;
    QString reason; // one line for the log
};

// Prefers what asks nobody: a uinput grant already given, then the compositor's virtual keyboard; then the portal's
// consent dialog; and only last the administrator's password that grants uinput.
WaylandKeyChoice chooseWaylandKeys(const WaylandKeyOffers& offers);
