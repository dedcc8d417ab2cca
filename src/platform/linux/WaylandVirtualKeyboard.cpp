#include "platform/linux/WaylandVirtualKeyboard.h"

#include "platform/linux/EvdevKeyCode.h"
#include "platform/linux/KeysLogging.h"
#include "platform/linux/XkbKeymapFile.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

using namespace std::chrono_literals;

namespace {

// A compositor answers at once; a second is only reached by one that hangs.
constexpr std::chrono::milliseconds answerTimeout = 1s;

struct Globals {
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
};

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!globals->manager && std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

void onGlobalRemoved(void*, wl_registry*, uint32_t) { }

const wl_registry_listener registryListener { onGlobal, onGlobalRemoved };

void onSyncDone(void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }

const wl_callback_listener syncListener { onSyncDone };

// wl_display_roundtrip with a deadline, so a hung compositor cannot hold the start for ever.
bool roundtripWithin(wl_display* display, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &syncListener, &done);
    bool failed = false;
    while (!done && !failed) {
        if (wl_display_prepare_read(display) != 0) {
            failed = wl_display_dispatch_pending(display) < 0;
            continue;
        }
        wl_display_flush(display);
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable { wl_display_get_fd(display), POLLIN, 0 };
        const int ready = left > 0ms ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(display);
            failed = !(ready < 0 && errno == EINTR);
            continue;
        }
        failed = wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0;
    }
    wl_callback_destroy(callback);
    return done;
}

} // namespace

std::unique_ptr<WaylandVirtualKeyboard> WaylandVirtualKeyboard::connect(std::chrono::milliseconds settleTime)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        qCDebug(lcKeys, "No Wayland display: %s", strerror(errno));
        return nullptr;
    }
    std::unique_ptr<WaylandVirtualKeyboard> keyboard(new WaylandVirtualKeyboard(display, settleTime));
    if (!keyboard->createKeyboard()) {
        qCDebug(lcKeys, "No virtual keyboard from the compositor (error %d)", wl_display_get_error(display));
        return nullptr;
    }
    return keyboard;
}

WaylandVirtualKeyboard::WaylandVirtualKeyboard(wl_display* display, std::chrono::milliseconds settleTime)
    : m_display(display)
    , m_settleTime(settleTime)
    , m_incoming(wl_display_get_fd(display), QSocketNotifier::Read)
    , m_outgoing(wl_display_get_fd(display), QSocketNotifier::Write)
    , m_presses([this](Key key) { write(key); })
{
    QObject::connect(&m_incoming, &QSocketNotifier::activated, &m_incoming, [this] { dispatchIncoming(); });
    m_outgoing.setEnabled(false);
    QObject::connect(&m_outgoing, &QSocketNotifier::activated, &m_outgoing, [this] { flush(); });
}

WaylandVirtualKeyboard::~WaylandVirtualKeyboard()
{
    if (m_keyboard)
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
    if (m_manager)
        zwp_virtual_keyboard_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

bool WaylandVirtualKeyboard::createKeyboard()
{
    // The registry is only read here: seat and manager stay bound after it is gone.
    Globals globals;
    wl_registry* registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    const bool listed = roundtripWithin(m_display, answerTimeout);
    wl_registry_destroy(registry);
    m_seat = globals.seat;
    m_manager = globals.manager;
    if (!listed || !m_seat || !m_manager)
        return false;
    const std::optional<XkbKeymapFile> keymap = createDefaultXkbKeymapFile();
    if (!keymap)
        return false;

    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager, m_seat);
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap->fd, keymap->size);
    ::close(keymap->fd);
    // Once the compositor has answered, it has added the keyboard to the seat (or refused it, which ends the
    // connection) and told the focused client, which then still has to bind it.
    if (!roundtripWithin(m_display, answerTimeout))
        return false;
    m_presses.releaseAfter(m_settleTime);
    return true;
}

void WaylandVirtualKeyboard::dispatchIncoming()
{
    const bool read = wl_display_prepare_read(m_display) != 0 || wl_display_read_events(m_display) == 0;
    if (!read || wl_display_dispatch_pending(m_display) < 0) {
        qCWarning(lcKeys, "The Wayland connection is lost: %s", strerror(wl_display_get_error(m_display)));
        m_incoming.setEnabled(false); // the connection is gone; hasAccess() now says so
        Q_EMIT accessChanged();
    }
}

bool WaylandVirtualKeyboard::hasAccess() { return wl_display_get_error(m_display) == 0; }

bool WaylandVirtualKeyboard::pressKey(Key key)
{
    if (!hasAccess())
        return false;
    m_presses.press(key);
    return true;
}

void WaylandVirtualKeyboard::write(Key key)
{
    const auto now
        = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    const auto time = static_cast<uint32_t>(now.count());
    const auto code = static_cast<uint32_t>(evdevKeyCodeFor(key));
    zwp_virtual_keyboard_v1_key(m_keyboard, time, code, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(m_keyboard, time, code, WL_KEYBOARD_KEY_STATE_RELEASED);
    flush();
}

void WaylandVirtualKeyboard::flush()
{
    // A compositor that is slow to read fills the socket: what is left stays buffered, and a release left there
    // would hold the key down until the next tap. So it goes out as soon as the socket takes it.
    const bool isPartial = wl_display_flush(m_display) < 0 && errno == EAGAIN;
    m_outgoing.setEnabled(isPartial);
}
