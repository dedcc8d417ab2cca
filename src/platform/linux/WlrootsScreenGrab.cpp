#include "WlrootsScreenGrab.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

constexpr int grabTimeout = 1000;

struct Frame {
    uint32_t version;
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;
    bool hasShmBuffer = false;
    bool areBuffersListed = false;
    bool isYInverted = false;
    bool isReady = false;
    bool hasFailed = false;

    // Version 3 lists every buffer type and then says so; older ones send the shared-memory one alone.
    bool canCopy() const { return hasFailed || areBuffersListed || (version < 3 && hasShmBuffer); }
};

const zwlr_screencopy_frame_v1_listener frameListener {
    .buffer =
        [](void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
            auto* frame = static_cast<Frame*>(data);
            // Both read as QImage::Format_RGB32: 32-bit words 0xAARRGGBB in the machine's order.
            if (frame->hasShmBuffer || (format != WL_SHM_FORMAT_XRGB8888 && format != WL_SHM_FORMAT_ARGB8888))
                return;
            *frame = Frame { frame->version, format, width, height, stride, true };
        },
    .flags
    = [](void* data, zwlr_screencopy_frame_v1*,
          uint32_t flags) { static_cast<Frame*>(data)->isYInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT; },
    .ready = [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t,
                 uint32_t) { static_cast<Frame*>(data)->isReady = true; },
    .failed = [](void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->hasFailed = true; },
    .damage = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    .linux_dmabuf = [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    .buffer_done = [](void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->areBuffersListed = true; },
};

// Shared memory the compositor copies the frame into.
struct SharedBuffer {
    void* pixels = MAP_FAILED;
    size_t size = 0;
    wl_buffer* buffer = nullptr;

    SharedBuffer(wl_shm* shm, const Frame& frame)
        : size(size_t(frame.stride) * frame.height)
    {
        const int descriptor = memfd_create("quorvelantis-screen", MFD_CLOEXEC);
        if (descriptor < 0)
            return;
        if (ftruncate(descriptor, off_t(size)) == 0)
            pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
        if (pixels != MAP_FAILED) {
            wl_shm_pool* pool = wl_shm_create_pool(shm, descriptor, int32_t(size));
            buffer = wl_shm_pool_create_buffer(
                pool, 0, int32_t(frame.width), int32_t(frame.height), int32_t(frame.stride), frame.format);
            wl_shm_pool_destroy(pool);
        }
        close(descriptor);
    }
    ~SharedBuffer()
    {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (pixels != MAP_FAILED)
            munmap(pixels, size);
    }
    SharedBuffer(const SharedBuffer&) = delete;
    SharedBuffer& operator=(const SharedBuffer&) = delete;
};

} // namespace

WlrootsScreenGrab::~WlrootsScreenGrab() { disconnect(); }

void WlrootsScreenGrab::grab()
{
    const QDeadlineTimer deadline(grabTimeout);
    if (const QString missing = connectOnce(deadline); !missing.isEmpty())
        return Q_EMIT failed(missing);
    Frame frame { m_managerVersion };
    zwlr_screencopy_frame_v1* copy = zwlr_screencopy_manager_v1_capture_output(m_manager, 0, m_output);
    zwlr_screencopy_frame_v1_add_listener(copy, &frameListener, &frame);
    QString reason;
    if (!dispatchUntil([&] { return frame.canCopy(); }, deadline)) {
        reason = QStringLiteral("the compositor did not describe the screen's frame in time");
    } else if (frame.hasFailed || !frame.hasShmBuffer) {
        reason = QStringLiteral("the compositor offers the screen in no shared-memory format read here");
    } else {
        const SharedBuffer shared(m_shm, frame);
        if (!shared.buffer) {
            reason = QStringLiteral("no shared memory for the screen: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        } else {
            zwlr_screencopy_frame_v1_copy(copy, shared.buffer);
            if (!dispatchUntil([&] { return frame.isReady || frame.hasFailed; }, deadline) || !frame.isReady) {
                reason = QStringLiteral("the compositor did not copy the screen");
            } else {
                const QImage screen(static_cast<const uchar*>(shared.pixels), int(frame.width), int(frame.height),
                    int(frame.stride), QImage::Format_RGB32);
                Q_EMIT grabbed(frame.isYInverted ? screen.mirrored() : screen.copy());
            }
        }
    }
    if (m_display) {
        zwlr_screencopy_frame_v1_destroy(copy);
        wl_display_flush(m_display);
    }
    if (!reason.isEmpty())
        Q_EMIT failed(reason);
}

QString WlrootsScreenGrab::connectOnce(QDeadlineTimer deadline)
{
    if (m_display)
        return {};
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return QStringLiteral("cannot connect to the Wayland compositor: %1")
            .arg(QString::fromLocal8Bit(strerror(errno)));
    static const wl_registry_listener registryListener {
        .global =
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
                auto* self = static_cast<WlrootsScreenGrab*>(data);
                if (!self->m_shm && std::strcmp(interface, wl_shm_interface.name) == 0) {
                    self->m_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
                } else if (!self->m_output && std::strcmp(interface, wl_output_interface.name) == 0) {
                    self->m_output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
                } else if (!self->m_manager && std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
                    self->m_managerVersion = std::min(version, 3u);
                    self->m_manager = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
                        registry, name, &zwlr_screencopy_manager_v1_interface, self->m_managerVersion));
                }
            },
        .global_remove = [](void*, wl_registry*, uint32_t) {},
    };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    bool isListed = false;
    static const wl_callback_listener listedListener {
        .done =
            [](void* data, wl_callback* callback, uint32_t) {
                wl_callback_destroy(callback);
                *static_cast<bool*>(data) = true;
            },
    };
    wl_callback_add_listener(wl_display_sync(m_display), &listedListener, &isListed);
    QString missing;
    if (!dispatchUntil([&] { return isListed; }, deadline))
        missing = QStringLiteral("the Wayland compositor did not list what it offers in time");
    else if (!m_manager)
        missing = QStringLiteral("the Wayland compositor offers no screen copy (zwlr_screencopy_manager_v1)");
    else if (!m_shm || !m_output)
        missing = QStringLiteral("the Wayland compositor offers no shared memory or no output");
    if (!missing.isEmpty())
        disconnect();
    return missing;
}

bool WlrootsScreenGrab::dispatchUntil(const std::function<bool()>& isDone, QDeadlineTimer deadline)
{
    while (m_display && !isDone()) {
        if (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                break;
            continue;
        }
        wl_display_flush(m_display);
        pollfd incoming { wl_display_get_fd(m_display), POLLIN, 0 };
        if (poll(&incoming, 1, int(deadline.remainingTime())) <= 0) {
            wl_display_cancel_read(m_display);
            return false;
        }
        if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0)
            break;
    }
    if (m_display && wl_display_get_error(m_display) == 0)
        return true;
    disconnect();
    return false;
}

void WlrootsScreenGrab::disconnect()
{
    if (!m_display)
        return;
    if (m_manager)
        zwlr_screencopy_manager_v1_destroy(m_manager);
    if (m_output)
        wl_output_destroy(m_output);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
    m_display = nullptr;
    m_registry = nullptr;
    m_shm = nullptr;
    m_output = nullptr;
    m_manager = nullptr;
}
