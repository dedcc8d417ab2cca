#include "platform/linux/LayerShellPointerOverlay.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <QDebug>
#include <QImage>
#include <QPainter>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

constexpr int dotDiameter = 28;

} // namespace

std::unique_ptr<LayerShellPointerOverlay> LayerShellPointerOverlay::connect()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        qWarning() << "Cannot connect to the Wayland compositor" << qgetenv("WAYLAND_DISPLAY")
                   << "to draw the pointer:" << std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<LayerShellPointerOverlay>(new LayerShellPointerOverlay(display));
}

LayerShellPointerOverlay::LayerShellPointerOverlay(wl_display* display)
    : m_display(display)
    , m_registry(wl_display_get_registry(display))
    , m_incoming(wl_display_get_fd(display), QSocketNotifier::Read)
{
    static const wl_registry_listener registryListener {
        .global
        = [](void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t) { static_cast<LayerShellPointerOverlay*>(data)->bindGlobal(registry, name, interface); },
        .global_remove = [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The compositor lists every global before it answers this.
    static const wl_callback_listener listedListener {
        .done =
            [](void* data, wl_callback* callback, uint32_t) {
                wl_callback_destroy(callback);
                static_cast<LayerShellPointerOverlay*>(data)->listed();
            },
    };
    wl_callback_add_listener(wl_display_sync(m_display), &listedListener, this);
    wl_display_flush(m_display);
    QObject::connect(&m_incoming, &QSocketNotifier::activated, this, [this] { dispatchIncoming(); });
}

LayerShellPointerOverlay::~LayerShellPointerOverlay()
{
    destroySurface();
    if (m_dot)
        wl_buffer_destroy(m_dot);
    if (m_layerShell)
        zwlr_layer_shell_v1_destroy(m_layerShell);
    if (m_shm)
        wl_shm_destroy(m_shm);
    if (m_compositor)
        wl_compositor_destroy(m_compositor);
    wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

void LayerShellPointerOverlay::bindGlobal(wl_registry* registry, uint32_t name, const char* interface)
{
    if (!m_compositor && std::strcmp(interface, wl_compositor_interface.name) == 0)
        m_compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    else if (!m_shm && std::strcmp(interface, wl_shm_interface.name) == 0)
        m_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (!m_layerShell && std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
        m_layerShell
            = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
}

void LayerShellPointerOverlay::listed()
{
    m_isListed = true;
    if (!m_compositor || !m_shm || !m_layerShell || !createDot()) {
        Q_EMIT unavailable();
        return;
    }
    if (m_wanted)
        createSurface();
}

bool LayerShellPointerOverlay::createDot()
{
    // wl_shm's ARGB8888 is QImage's premultiplied ARGB32 on a little-endian machine, as the protocol's pixels are.
    QImage image(dotDiameter, dotDiameter, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(229, 37, 33));
    painter.drawEllipse(image.rect());
    painter.end();
    const int fd = ::memfd_create("quorvelantis-pointer", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, image.constBits(), image.sizeInBytes()) != image.sizeInBytes()) {
        qWarning() << "Cannot share the pointer's pixels with the Wayland compositor:" << std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(m_shm, fd, static_cast<int32_t>(image.sizeInBytes()));
    m_dot = wl_shm_pool_create_buffer(
        pool, 0, dotDiameter, dotDiameter, static_cast<int32_t>(image.bytesPerLine()), WL_SHM_FORMAT_ARGB8888);
    // The buffer keeps the memory alive.
    wl_shm_pool_destroy(pool);
    ::close(fd);
    return true;
}

void LayerShellPointerOverlay::showPointer(QPointF position)
{
    m_wanted = position;
    if (!m_isListed || !m_dot)
        return;
    if (!m_surface)
        createSurface();
    else
        place();
}

void LayerShellPointerOverlay::hidePointer()
{
    m_wanted.reset();
    destroySurface();
    wl_display_flush(m_display);
}

void LayerShellPointerOverlay::createSurface()
{
    m_surface = wl_compositor_create_surface(m_compositor);
    // Touches and clicks on the dot go to the window below.
    wl_region* nowhere = wl_compositor_create_region(m_compositor);
    wl_surface_set_input_region(m_surface, nowhere);
    wl_region_destroy(nowhere);
    m_layerSurface = zwlr_layer_shell_v1_get_layer_surface(
        m_layerShell, m_surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "quorvelantis-pointer");
    static const zwlr_layer_surface_v1_listener layerListener {
        .configure =
            [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
                static_cast<LayerShellPointerOverlay*>(data)->configure(
                    serial, QSize(static_cast<int>(width), static_cast<int>(height)));
            },
        .closed
        = [](void* data, zwlr_layer_surface_v1*) { static_cast<LayerShellPointerOverlay*>(data)->destroySurface(); },
    };
    zwlr_layer_surface_v1_add_listener(m_layerSurface, &layerListener, this);
    // First stretched over the whole output, past any panel, so that the compositor's configure tells its size.
    zwlr_layer_surface_v1_set_anchor(m_layerSurface,
        ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT
            | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(m_layerSurface, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(m_layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(m_surface);
    wl_display_flush(m_display);
}

void LayerShellPointerOverlay::configure(uint32_t serial, QSize size)
{
    zwlr_layer_surface_v1_ack_configure(m_layerSurface, serial);
    if (!m_output.isEmpty())
        return;
    if (size.isEmpty()) {
        qWarning() << "The Wayland compositor gave the pointer no output to draw on";
        destroySurface();
        return;
    }
    // Then the dot alone, at the top left corner, moved by its margins.
    m_output = size;
    zwlr_layer_surface_v1_set_anchor(
        m_layerSurface, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    zwlr_layer_surface_v1_set_size(m_layerSurface, dotDiameter, dotDiameter);
    wl_surface_attach(m_surface, m_dot, 0, 0);
    wl_surface_damage(m_surface, 0, 0, dotDiameter, dotDiameter);
    place();
}

void LayerShellPointerOverlay::destroySurface()
{
    if (m_frame)
        wl_callback_destroy(m_frame);
    if (m_layerSurface)
        zwlr_layer_surface_v1_destroy(m_layerSurface);
    if (m_surface)
        wl_surface_destroy(m_surface);
    m_frame = nullptr;
    m_layerSurface = nullptr;
    m_surface = nullptr;
    m_output = {};
    m_placed.reset();
}

void LayerShellPointerOverlay::place()
{
    // A commit while the compositor has not drawn the last one would be drawn in the same frame, if at all.
    if (m_output.isEmpty() || m_frame || !m_wanted)
        return;
    const QPoint corner(
        qBound(0, qRound(m_wanted->x() * m_output.width()) - dotDiameter / 2, m_output.width() - dotDiameter),
        qBound(0, qRound(m_wanted->y() * m_output.height()) - dotDiameter / 2, m_output.height() - dotDiameter));
    // An unchanged place damages nothing, so the compositor would draw no frame to answer it.
    if (corner == m_placed)
        return;
    m_placed = corner;
    zwlr_layer_surface_v1_set_margin(m_layerSurface, corner.y(), 0, 0, corner.x());
    static const wl_callback_listener frameListener {
        .done =
            [](void* data, wl_callback* callback, uint32_t) {
                wl_callback_destroy(callback);
                auto* self = static_cast<LayerShellPointerOverlay*>(data);
                self->m_frame = nullptr;
                self->place();
            },
    };
    m_frame = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frame, &frameListener, this);
    wl_surface_commit(m_surface);
    wl_display_flush(m_display);
}

void LayerShellPointerOverlay::dispatchIncoming()
{
    const bool read = wl_display_prepare_read(m_display) != 0 || wl_display_read_events(m_display) == 0;
    if (!read || wl_display_dispatch_pending(m_display) < 0) {
        qWarning() << "The connection to the Wayland compositor is lost: the pointer is no longer drawn:"
                   << std::strerror(wl_display_get_error(m_display));
        m_incoming.setEnabled(false);
        return;
    }
    // The handlers may have asked for something (an acknowledgement, a commit).
    wl_display_flush(m_display);
}
