#pragma once

#include "platform/RemoteInput.h"

#include <QString>
#include <QStringView>
#include <memory>

// The key backend of this desktop session, chosen once. The choice can wait for an asynchronous probe (the portal is
// asked over D-Bus, never waited for); until then nothing is posted and access reads as missing, and access asked
// for meanwhile is passed on to the chosen backend, so an early click on "Autoriser" is not lost.
class ChosenKeys : public RemoteInput {
public:
    // Which display server the desktop session runs, and so which key backend can reach its focused window.
    enum class Session {
        X11, // XTest on the X display
        Wayland, // a keyboard below or inside the compositor
    };
    enum class WaylandBackend { uinput, virtualKeyboard, remoteDesktopPortal };
    // What a Wayland session was found to offer. A later backend is only probed when the earlier ones are missing,
    // so an unprobed offer reads as false.
    struct WaylandOffers {
        bool uinputWritable = false;
        bool virtualKeyboard = false;
        bool portalKeyboard = false;
    };
    struct WaylandChoice {
        WaylandBackend backend;
        QString reason; // one line for the log
    };

    // Decided from the session's environment (XDG_SESSION_TYPE, WAYLAND_DISPLAY, DISPLAY), never from Qt's platform
    // name: an app forced onto xcb under Wayland still needs a Wayland backend to reach the other windows.
    static Session sessionFor(QStringView xdgSessionType, QStringView waylandDisplay, QStringView display);
    static Session currentSession();
    // Prefers what asks nobody: a uinput grant already given, then the compositor's virtual keyboard; then the
    // portal's consent dialog; and only last the administrator's password that grants uinput.
    static WaylandChoice waylandBackendFor(const WaylandOffers& offers);

    // XTest under X11; under Wayland the backend waylandBackendFor() picks from what this session offers. The choice
    // and its reason go to the log once.
    static std::unique_ptr<ChosenKeys> forThisSession();

    // Nothing chosen yet.
    ChosenKeys() = default;
    void choose(std::unique_ptr<RemoteInput> backend);

    bool pressKey(Key key) override;
    bool hasAccess() override;
    void requestAccess() override;
    AccessRequest accessRequest() const override;
    bool isAskingForAccess() const override;

private:
    std::unique_ptr<RemoteInput> m_backend;
    bool m_isAccessWanted = false;
};
