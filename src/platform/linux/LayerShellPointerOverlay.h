#pragma once

#include "platform/PointerOverlay.h"

#include <QPoint>
#include <QSize>
#include <QSocketNotifier>
#include <memory>
#include <optional>

struct wl_buffer;
struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_registry;
struct wl_shm;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

// The dot as a small surface in the compositor's overlay layer (zwlr_layer_shell_v1, offered by wlroots compositors
// such as sway and by KWin): drawn above full-screen windows, never given the keyboard, and with an empty input region,
// so touches and clicks reach the slideshow below. It lies on the output the compositor picks (the focused one), moved
// by its margins from the output's top left corner, at most one move per frame of the output: the latest position
// wins. Opens its own connection to the compositor; the surface exists only while the dot shows, so a hidden dot costs
// no frame.
class LayerShellPointerOverlay : public PointerOverlay {
    Q_OBJECT

public:
    // Null when no compositor listens at $WAYLAND_DISPLAY. What it offers is learnt afterwards, without waiting.
    static std::unique_ptr<LayerShellPointerOverlay> connect();
    ~LayerShellPointerOverlay() override;

    void showPointer(QPointF position) override;
    void hidePointer() override;

Q_SIGNALS:
    // The compositor offers no layer shell: the dot cannot be drawn this way.
    void unavailable();

private:
    explicit LayerShellPointerOverlay(wl_display* display);
    void bindGlobal(wl_registry* registry, uint32_t name, const char* interface);
    void listed();
    bool createDot();
    void createSurface();
    void configure(uint32_t serial, QSize size);
    void destroySurface();
    void place();
    void dispatchIncoming();

    wl_display* m_display;
    wl_registry* m_registry;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    wl_buffer* m_dot = nullptr;
    bool m_isListed = false;
    std::optional<QPointF> m_wanted; // empty while hidden
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layerSurface = nullptr;
    QSize m_output; // learnt from the surface's first configure, in surface coordinates; empty until then
    std::optional<QPoint> m_placed; // the top left corner last committed
    wl_callback* m_frame = nullptr; // asked with the last commit, until the compositor has drawn it
    QSocketNotifier m_incoming;
};
