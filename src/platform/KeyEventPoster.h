#pragma once

#include <QtGlobal>
#include <optional>

// One key transition, in the macOS virtual key codes the service speaks (124 right, 123 left).
struct KeyEvent {
    quint16 macKeyCode;
    bool isDown;
};

// Posts synthetic key events into the desktop's input stream.
class KeyEventPoster {
public:
    virtual ~KeyEventPoster() = default;
    // Empty when the backend cannot express this key right now (no display, unknown code).
    virtual std::optional<KeyEvent> makeKeyEvent(quint16 macKeyCode, bool isDown) = 0;
    virtual void post(const KeyEvent& event) = 0;
};
