#pragma once

#include "platform/RemoteInput.h"

#include <linux/input-event-codes.h>

// The kernel's code of a key: what uinput, the virtual-keyboard protocol and the RemoteDesktop portal all take. The
// arrows, Home and End are the same in every layout; KEY_B types a b in QWERTY, AZERTY and QWERTZ, and is what
// hardware presentation clickers send.
inline int evdevKeyCodeFor(Key key)
{
    switch (key) {
    case Key::left:
        return KEY_LEFT;
    case Key::right:
        return KEY_RIGHT;
    case Key::b:
        return KEY_B;
    case Key::home:
        return KEY_HOME;
    case Key::end:
        return KEY_END;
    }
    return KEY_RESERVED;
}
