#pragma once

#include "platform/FocusedWindow.h"

#include <QSocketNotifier>
#include <QStringList>
#include <memory>
#include <vector>

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

// The focused window on a wlroots compositor (sway, Hyprland): the toplevel that the compositor's window list
// (zwlr_foreign_toplevel_manager_v1) marks activated, named by its app id. The compositor's messages are read as they
// arrive, never waited for. Until the compositor has listed its windows, and for good where it offers no such list
// (GNOME, KDE), the answer is unknown. Opens its own connection to the compositor.
class WlrootsFocusedWindow : public FocusedWindow {
public:
    // Null when no compositor listens at $WAYLAND_DISPLAY. ownAppIds: the app ids this app's own windows carry.
    static std::unique_ptr<WlrootsFocusedWindow> connect(QStringList ownAppIds);
    ~WlrootsFocusedWindow() override;
    WlrootsFocusedWindow(const WlrootsFocusedWindow&) = delete;
    WlrootsFocusedWindow& operator=(const WlrootsFocusedWindow&) = delete;

    KeyTarget current() override { return m_target; }

private:
    struct Window {
        QString appId;
        bool activated = false;
    };
    struct Toplevel {
        WlrootsFocusedWindow* owner;
        zwlr_foreign_toplevel_handle_v1* handle;
        Window shown; // as of the last done event
        Window pending; // changed by the events since
    };

    WlrootsFocusedWindow(wl_display* display, QStringList ownAppIds);
    void bindManager(wl_registry* registry, uint32_t name);
    void addToplevel(zwlr_foreign_toplevel_handle_v1* handle);
    void removeToplevel(const Toplevel* toplevel);
    void forgetList();
    void dispatchIncoming();
    void refresh();
    KeyTarget target() const;

    wl_display* m_display;
    wl_registry* m_registry;
    QStringList m_ownAppIds;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    bool m_listed = false; // the compositor has announced every toplevel open when the list was bound
    std::vector<std::unique_ptr<Toplevel>> m_toplevels;
    KeyTarget m_target;
    QSocketNotifier m_incoming;
};
