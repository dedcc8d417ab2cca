#pragma once

// The arrow keys a slide command presses.
enum class Arrow { left, right };

// Presses keys in the desktop's input stream, where the focused window receives them. One implementation per
// backend (XTest, uinput, ...), chosen once at start.
class KeyInjector {
public:
    virtual ~KeyInjector() = default;
    // Posts the arrow's press and its release together, so a key can never stay down. False when the backend
    // cannot post it now (no display, no key for it); nothing is posted then.
    virtual bool pressArrow(Arrow arrow) = 0;
};
