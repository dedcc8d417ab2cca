#pragma once

#include "platform/RemoteInput.h"
#include "platform/linux/HeldPresses.h"

#include <QSocketNotifier>
#include <chrono>
#include <memory>

struct wl_display;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

// Posts keys through a keyboard of our own that the compositor adds to its seat (zwp_virtual_keyboard_v1, which
// wlroots compositors offer every client): no device node, no dialog. The keyboard is created at once and kept. The
// focused client only takes it in after the compositor has announced it, so presses are held until then. Every client
// of the compositor may create a virtual keyboard: access holds while the connection does, and there is nobody to ask.
class WaylandVirtualKeyboard : public RemoteInput {
public:
    // How long after the compositor has the keyboard its clients need to bind it.
    static constexpr std::chrono::milliseconds defaultSettleTime { 300 };

    // The keyboard on the compositor of $WAYLAND_DISPLAY; null when there is no compositor, it does not answer within
    // a second, or it offers or grants no virtual keyboard. Waits for the compositor's answers: it is only called at
    // start, and a compositor answers at once.
    static std::unique_ptr<WaylandVirtualKeyboard> connect(std::chrono::milliseconds settleTime);
    ~WaylandVirtualKeyboard() override;
    WaylandVirtualKeyboard(const WaylandVirtualKeyboard&) = delete;
    WaylandVirtualKeyboard& operator=(const WaylandVirtualKeyboard&) = delete;

    bool pressKey(Key key) override;
    // False once the compositor has closed the connection (it quit, or refused us the keyboard).
    bool hasAccess() override;
    void requestAccess() override { }
    AccessRequest accessRequest() const override { return AccessRequest::none; }

private:
    WaylandVirtualKeyboard(wl_display* display, std::chrono::milliseconds settleTime);
    bool createKeyboard();
    void dispatchIncoming();
    void write(Key key);
    void flush();

    wl_display* m_display;
    wl_seat* m_seat = nullptr;
    zwp_virtual_keyboard_manager_v1* m_manager = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    std::chrono::milliseconds m_settleTime;
    QSocketNotifier m_incoming;
    QSocketNotifier m_outgoing;
    HeldPresses m_presses;
};
