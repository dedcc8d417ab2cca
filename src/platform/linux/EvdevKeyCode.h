#pragma once

#include "platform/RemoteInput.h"

#include <linux/input-event-codes.h>

// The kernel's code of an arrow key: what uinput, the virtual-keyboard protocol and the RemoteDesktop portal all take,
// whatever the keyboard layout.
inline int evdevKeyCodeFor(Arrow arrow) { return arrow == Arrow::right ? KEY_RIGHT : KEY_LEFT; }
