#include "platform/linux/WaylandKeyChoice.h"

WaylandKeyChoice chooseWaylandKeys(const WaylandKeyOffers& offers)
{
    if (offers.uinputWritable)
        return { WaylandKeyBackend::uinput, QStringLiteral("uinput: /dev/uinput is already writable") };
    if (offers.virtualKeyboard)
        return { WaylandKeyBackend::virtualKeyboard,
            QStringLiteral("virtual keyboard: the compositor offers zwp_virtual_keyboard_v1") };
    if (offers.portalKeyboard)
        return { WaylandKeyBackend::remoteDesktopPortal,
            QStringLiteral("RemoteDesktop portal: it offers keyboard devices") };
    return { WaylandKeyBackend::uinput,
        QStringLiteral("uinput with the administrator's grant: no virtual keyboard protocol, no RemoteDesktop portal "
                       "keyboard") };
}
