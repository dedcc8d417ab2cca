#pragma once

#include "platform/RemoteInput.h"

#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

// A new virtual keyboard is invisible to the desktop for a moment: the compositor, or the focused client, has not taken
// it in yet. Presses that arrive meanwhile wait here, in order, and go out once it has, so the first slide command
// after the keyboard appeared is never lost.
class HeldPresses {
public:
    explicit HeldPresses(std::function<void(Key)> write);

    // Written at once after the release, held before it.
    void press(Key key);
    // Lets the held presses, and every later one, through once the settle time has passed.
    void releaseAfter(std::chrono::milliseconds settleTime);

private:
    void release();

    std::function<void(Key)> m_write;
    QTimer m_settleTimer;
    bool m_isReleased = false;
    std::vector<Key> m_held;
};
