#include "platform/linux/WlrootsFocusedWindow.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QDebug>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <wayland-client.h>

std::unique_ptr<WlrootsFocusedWindow> WlrootsFocusedWindow::connect(QStringList ownAppIds)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        qWarning() << "Cannot connect to the Wayland compositor" << qgetenv("WAYLAND_DISPLAY")
                   << "to follow the focused window:" << std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<WlrootsFocusedWindow>(new WlrootsFocusedWindow(display, std::move(ownAppIds)));
}

WlrootsFocusedWindow::WlrootsFocusedWindow(wl_display* display, QStringList ownAppIds)
    : m_display(display)
    , m_registry(wl_display_get_registry(display))
    , m_ownAppIds(std::move(ownAppIds))
    , m_incoming(wl_display_get_fd(display), QSocketNotifier::Read)
{
    static const wl_registry_listener registryListener {
        .global =
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
                if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0)
                    static_cast<WlrootsFocusedWindow*>(data)->bindManager(registry, name);
            },
        .global_remove = [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(m_registry, &registryListener, this);
    wl_display_flush(m_display);
    QObject::connect(&m_incoming, &QSocketNotifier::activated, this, [this] { dispatchIncoming(); });
}

WlrootsFocusedWindow::~WlrootsFocusedWindow()
{
    forgetList();
    wl_registry_destroy(m_registry);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

void WlrootsFocusedWindow::bindManager(wl_registry* registry, uint32_t name)
{
    if (m_manager)
        return;
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener {
        .toplevel =
            [](void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
                static_cast<WlrootsFocusedWindow*>(data)->addToplevel(handle);
            },
        .finished =
            [](void* data, zwlr_foreign_toplevel_manager_v1*) {
                auto* self = static_cast<WlrootsFocusedWindow*>(data);
                qWarning()
                    << "The Wayland compositor stopped listing its windows: the focused window is no longer known";
                self->forgetList();
                self->refresh();
            },
    };
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, 1));
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &managerListener, this);
    // The compositor announces every open toplevel before it answers this.
    static const wl_callback_listener listedListener {
        .done =
            [](void* data, wl_callback* callback, uint32_t) {
                wl_callback_destroy(callback);
                auto* self = static_cast<WlrootsFocusedWindow*>(data);
                self->m_listed = self->m_manager != nullptr;
                self->refresh();
            },
    };
    wl_callback_add_listener(wl_display_sync(m_display), &listedListener, this);
}

void WlrootsFocusedWindow::addToplevel(zwlr_foreign_toplevel_handle_v1* handle)
{
    // The title is never read: it may carry private text.
    static const zwlr_foreign_toplevel_handle_v1_listener toplevelListener {
        .title = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
        .app_id = [](void* data, zwlr_foreign_toplevel_handle_v1*,
                      const char* appId) { static_cast<Toplevel*>(data)->pending.appId = QString::fromUtf8(appId); },
        .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .state =
            [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
                const std::span<const uint32_t> values(
                    static_cast<const uint32_t*>(states->data), states->size / sizeof(uint32_t));
                static_cast<Toplevel*>(data)->pending.activated
                    = std::ranges::count(values, ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) > 0;
            },
        .done =
            [](void* data, zwlr_foreign_toplevel_handle_v1*) {
                auto* toplevel = static_cast<Toplevel*>(data);
                toplevel->shown = toplevel->pending;
                toplevel->owner->refresh();
            },
        .closed =
            [](void* data, zwlr_foreign_toplevel_handle_v1*) {
                auto* toplevel = static_cast<Toplevel*>(data);
                toplevel->owner->removeToplevel(toplevel);
            },
    };
    auto toplevel = std::make_unique<Toplevel>(Toplevel { this, handle, {}, {} });
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, toplevel.get());
    m_toplevels.push_back(std::move(toplevel));
}

void WlrootsFocusedWindow::removeToplevel(const Toplevel* toplevel)
{
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    std::erase_if(m_toplevels, [toplevel](const auto& listed) { return listed.get() == toplevel; });
    refresh();
}

void WlrootsFocusedWindow::forgetList()
{
    for (const auto& toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    m_toplevels.clear();
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_manager = nullptr;
    m_listed = false;
}

void WlrootsFocusedWindow::dispatchIncoming()
{
    const bool read = wl_display_prepare_read(m_display) != 0 || wl_display_read_events(m_display) == 0;
    if (!read || wl_display_dispatch_pending(m_display) < 0) {
        qWarning() << "The connection to the Wayland compositor is lost: the focused window is no longer known:"
                   << std::strerror(wl_display_get_error(m_display));
        m_incoming.setEnabled(false);
        forgetList();
        refresh();
        return;
    }
    // The handlers may have asked for something (a binding, a handle's end).
    wl_display_flush(m_display);
}

void WlrootsFocusedWindow::refresh()
{
    const KeyTarget target = this->target();
    if (target == m_target)
        return;
    m_target = target;
    Q_EMIT changed();
}

KeyTarget WlrootsFocusedWindow::target() const
{
    if (!m_listed)
        return {};
    const auto focused
        = std::ranges::find_if(m_toplevels, [](const auto& toplevel) { return toplevel->shown.activated; });
    if (focused == m_toplevels.end())
        return { KeyTarget::State::nothing, {} };
    const QString& appId = (*focused)->shown.appId;
    // A window that names no program: saying nothing beats a guess.
    if (appId.isEmpty())
        return {};
    return { m_ownAppIds.contains(appId) ? KeyTarget::State::ownWindow : KeyTarget::State::program, appId };
}
