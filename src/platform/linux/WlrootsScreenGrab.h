#pragma once

#include "ScreenGrab.h"

#include <QDeadlineTimer>
#include <functional>

struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_shm;
struct zwlr_screencopy_manager_v1;

// The screen copied by a wlroots compositor (sway, Hyprland) into shared memory (zwlr_screencopy_manager_v1), on a
// connection of its own opened at the first grab. It waits for the compositor on the picture thread, never longer
// than a second per picture. The first output is the one that holds the presentation.
class WlrootsScreenGrab : public ScreenGrab {
public:
    WlrootsScreenGrab() = default;
    ~WlrootsScreenGrab() override;
    WlrootsScreenGrab(const WlrootsScreenGrab&) = delete;
    WlrootsScreenGrab& operator=(const WlrootsScreenGrab&) = delete;

    void grab() override;

private:
    // Empty when the compositor offers all this needs, else why not.
    QString connectOnce(QDeadlineTimer deadline);
    // Reads and handles the compositor's events until isDone holds; false when the connection failed or the deadline
    // passed first.
    bool dispatchUntil(const std::function<bool()>& isDone, QDeadlineTimer deadline);
    void disconnect();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_shm* m_shm = nullptr;
    wl_output* m_output = nullptr;
    zwlr_screencopy_manager_v1* m_manager = nullptr;
    uint32_t m_managerVersion = 0;
};
