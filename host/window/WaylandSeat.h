#pragma once
// The compositor's seat on our window: the pointer (left button) as one finger, touch points as
// fingers, keys through the compositor's keymap, all handed to WindowInput in buffer pixels.
// The pointer shows the cursor theme's arrow over the window.
#include "host/window/ScreenPlacement.h"
#include "host/window/WindowInput.h"
#include "host/window/XkbKeys.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

struct wl_compositor;
struct wl_cursor_theme;
struct wl_keyboard;
struct wl_pointer;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct wl_touch;

namespace host {

class WaylandSeat {
public:
    // Where the screen is in the window's buffer, and buffer pixels per surface unit.
    struct Mapping {
        ScreenPlacement placement;
        double pixelsPerUnit = 1;
    };
    using CommandHandler = std::function<void(WindowInput::Command)>;

    // Takes `seat` (may be null: no input at all), freshly bound so that its capabilities are
    // still to come; the rest is borrowed. Events on surfaces other than
    // `surface` are ignored.
    WaylandSeat(wl_seat* seat, wl_compositor* compositor, wl_shm* shm, wl_surface* surface, WindowInput& input,
                const Mapping& mapping, CommandHandler onCommand);
    ~WaylandSeat();
    WaylandSeat(const WaylandSeat&) = delete;
    WaylandSeat& operator=(const WaylandSeat&) = delete;

private:
    friend struct WaylandSeatListeners;
    void capabilities(uint32_t caps);
    std::pair<double, double> toPixels(double x, double y) const {
        return {x * mapping_.pixelsPerUnit, y * mapping_.pixelsPerUnit};
    }

    wl_seat* seat_;
    wl_compositor* compositor_;
    wl_shm* shm_;
    wl_surface* surface_;
    WindowInput& input_;
    const Mapping& mapping_;
    CommandHandler onCommand_;
    XkbKeys keys_;

    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_touch* touch_ = nullptr;
    wl_cursor_theme* cursorTheme_ = nullptr;
    wl_surface* cursorSurface_ = nullptr;
    bool pointerInside_ = false;
    double pointerX_ = 0, pointerY_ = 0;  // surface units
    // Where each touch point was last, surface units: wl_touch.up says no position.
    std::map<int32_t, std::pair<double, double>> touches_;
};

}  // namespace host
