#pragma once
// One xdg-shell toplevel on a Wayland compositor, drawn in shared memory: app_id
// org.kestrova.camera, title "Kestrova", server-side decorations where the compositor offers
// them, its buffers at the scale of the outputs it is on (fractional where the compositor says
// so, through a viewport). A frame is handed over with only the pixels that changed, at most one
// per frame callback. The surface's logical size is the compositor's when it sets one, else ours.
#include "host/window/SurfaceScale.h"
#include "host/window/WaylandBufferPool.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct wp_viewporter;
struct xdg_activation_v1;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;
struct zxdg_decoration_manager_v1;
struct zxdg_toplevel_decoration_v1;

namespace host {

class WaylandWindow {
public:
    struct Listener {
        virtual ~Listener() = default;
        // The buffer's pixel size or scale changed: everything must be drawn again.
        virtual void resized() = 0;
        virtual void activated(bool active) = 0;
        virtual void closeRequested() = 0;
        // A frame may be drawn again.
        virtual void frameDone() = 0;
    };

    // Connects to the compositor (WAYLAND_DISPLAY, or wayland-0) and reads its globals; null
    // (with the reason in `why`) when there is none or it lacks what a window needs.
    static std::unique_ptr<WaylandWindow> connect(std::string* why);
    ~WaylandWindow();
    WaylandWindow(const WaylandWindow&) = delete;
    WaylandWindow& operator=(const WaylandWindow&) = delete;

    // The size the first output offers, in logical units (0 x 0 when no output said).
    void firstOutputSize(int* width, int* height) const;
    // Maps the toplevel at this logical size (or full screen), finishes the startup
    // notification named by XDG_ACTIVATION_TOKEN, and waits for the compositor's first
    // configure. False when the connection broke.
    bool show(int width, int height, int minWidth, int minHeight, bool fullscreen, std::string* why);

    // Borrowed; set before show().
    void setListener(Listener* listener) { listener_ = listener; }
    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    // The compositor's (first) seat, bound anew for the caller, who owns it and must set its
    // listener before the next dispatch; null when there is none.
    wl_seat* bindSeat();
    wl_surface* surface() const { return surface_; }
    // Dispatches what the waiter read. False once the connection is broken.
    bool dispatch();

    int bufferWidth() const { return scale_.pixels(width_); }
    int bufferHeight() const { return scale_.pixels(height_); }
    double pixelsPerUnit() const { return scale_.pixelsPerUnit(); }
    bool fullscreen() const { return fullscreen_; }
    void setFullscreen(bool on);
    // No frame may be drawn until the compositor has shown the last one.
    bool framePending() const { return frameCallback_ != nullptr; }

    // Draws a frame: `draw` gets a buffer of the current pixel size and the stale rectangle it
    // must bring up to date (whole: everything); it returns the rectangle that changed on screen
    // (empty: nothing, the frame is dropped). False when no buffer was free.
    using Draw = std::function<WaylandBufferPool::Rect(WaylandBufferPool::Buffer& buffer)>;
    bool present(const Draw& draw);

private:
    WaylandWindow() = default;
    struct Output {
        WaylandWindow* window = nullptr;
        wl_output* output = nullptr;
        uint32_t name = 0;
        int scale = 1;
        int width = 0, height = 0;  // current mode, in pixels
        int transform = 0;
    };
    void updateWholeScale();
    void configure(uint32_t serial);
    void scaleChanged();

    // Listeners (C callbacks from the generated protocol code).
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);
    friend struct WaylandWindowListeners;

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    uint32_t seatName_ = 0, seatVersion_ = 0;
    xdg_wm_base* wmBase_ = nullptr;
    zxdg_decoration_manager_v1* decorationManager_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalManager_ = nullptr;
    xdg_activation_v1* activation_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;

    wl_surface* surface_ = nullptr;
    xdg_surface* xdgSurface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    zxdg_toplevel_decoration_v1* decoration_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_callback* frameCallback_ = nullptr;
    std::unique_ptr<WaylandBufferPool> buffers_;

    Listener* listener_ = nullptr;
    std::vector<wl_output*> entered_;
    SurfaceScale scale_;
    int width_ = 0, height_ = 0;                 // logical size now
    int pendingWidth_ = 0, pendingHeight_ = 0;   // from the toplevel's configure, 0: ours
    bool pendingFullscreen_ = false, pendingActivated_ = false;
    bool fullscreen_ = false, activated_ = false;
    bool configured_ = false;
    int ownWidth_ = 0, ownHeight_ = 0;           // the size we chose, for when the compositor leaves it to us
    bool sizeSent_ = false;  // the surface's buffer scale and viewport match the size
};

}  // namespace host
