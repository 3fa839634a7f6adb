#include "host/window/WaylandSeat.h"

#include <wayland-client.h>
#include <wayland-cursor.h>

#include <cstdlib>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace host {

struct WaylandSeatListeners {
    static WaylandSeat* seat(void* data) { return static_cast<WaylandSeat*>(data); }

    static void capabilities(void* data, wl_seat*, uint32_t caps) { seat(data)->capabilities(caps); }
    static void name(void*, wl_seat*, const char*) {}

    static void pointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                             wl_fixed_t y) {
        WaylandSeat* s = seat(data);
        s->pointerInside_ = surface == s->surface_;
        if (!s->pointerInside_) return;
        s->pointerX_ = wl_fixed_to_double(x);
        s->pointerY_ = wl_fixed_to_double(y);
        // The arrow, where the theme has one; otherwise the compositor's choice.
        wl_cursor* cursor = s->cursorTheme_ ? wl_cursor_theme_get_cursor(s->cursorTheme_, "left_ptr") : nullptr;
        if (!cursor || cursor->image_count == 0 || !s->cursorSurface_) return;
        wl_cursor_image* image = cursor->images[0];
        wl_buffer* buffer = wl_cursor_image_get_buffer(image);
        if (!buffer) return;
        wl_pointer_set_cursor(pointer, serial, s->cursorSurface_, int32_t(image->hotspot_x), int32_t(image->hotspot_y));
        wl_surface_attach(s->cursorSurface_, buffer, 0, 0);
        wl_surface_damage_buffer(s->cursorSurface_, 0, 0, int32_t(image->width), int32_t(image->height));
        wl_surface_commit(s->cursorSurface_);
    }
    static void pointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
        WaylandSeat* s = seat(data);
        // A press that leaves with the pointer ends where it was last seen.
        if (s->pointerInside_) {
            auto [x, y] = s->toPixels(s->pointerX_, s->pointerY_);
            s->input_.pointerUp(s->mapping_.placement, x, y);
        }
        s->pointerInside_ = false;
    }
    static void pointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        WaylandSeat* s = seat(data);
        if (!s->pointerInside_) return;
        s->pointerX_ = wl_fixed_to_double(x);
        s->pointerY_ = wl_fixed_to_double(y);
        auto [px, py] = s->toPixels(s->pointerX_, s->pointerY_);
        s->input_.pointerMove(s->mapping_.placement, px, py);
    }
    static void pointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
        WaylandSeat* s = seat(data);
        if (!s->pointerInside_ || button != BTN_LEFT) return;
        auto [x, y] = s->toPixels(s->pointerX_, s->pointerY_);
        if (state == WL_POINTER_BUTTON_STATE_PRESSED) s->input_.pointerDown(s->mapping_.placement, x, y, s->keys_.alt());
        else s->input_.pointerUp(s->mapping_.placement, x, y);
    }
    static void pointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
    static void pointerFrame(void*, wl_pointer*) {}
    static void pointerAxisSource(void*, wl_pointer*, uint32_t) {}
    static void pointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
    static void pointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}

    static void keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
            void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
            if (text != MAP_FAILED) {
                seat(data)->keys_.setKeymap(static_cast<const char*>(text), size);
                munmap(text, size);
            }
        }
        close(fd);
    }
    static void keyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
    static void keyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
    static void key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t code, uint32_t state) {
        // The compositor sends no repeats; this client makes none.
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
        WaylandSeat* s = seat(data);
        const auto command = s->input_.keyPressed(s->keys_.key(code), s->keys_.ctrl());
        if (command != WindowInput::Command::None && s->onCommand_) s->onCommand_(command);
    }
    static void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                          uint32_t group) {
        seat(data)->keys_.setModifiers(depressed, latched, locked, group);
    }
    static void repeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

    static void touchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface* surface, int32_t id, wl_fixed_t x,
                          wl_fixed_t y) {
        WaylandSeat* s = seat(data);
        if (surface != s->surface_) return;
        const double ux = wl_fixed_to_double(x), uy = wl_fixed_to_double(y);
        s->touches_[id] = {ux, uy};
        auto [px, py] = s->toPixels(ux, uy);
        s->input_.touchDown(s->mapping_.placement, {0, id}, px, py);
    }
    static void touchUp(void* data, wl_touch*, uint32_t, uint32_t, int32_t id) {
        WaylandSeat* s = seat(data);
        auto it = s->touches_.find(id);
        if (it == s->touches_.end()) return;
        auto [px, py] = s->toPixels(it->second.first, it->second.second);
        s->touches_.erase(it);
        s->input_.touchUp(s->mapping_.placement, {0, id}, px, py);
    }
    static void touchMotion(void* data, wl_touch*, uint32_t, int32_t id, wl_fixed_t x, wl_fixed_t y) {
        WaylandSeat* s = seat(data);
        auto it = s->touches_.find(id);
        if (it == s->touches_.end()) return;
        it->second = {wl_fixed_to_double(x), wl_fixed_to_double(y)};
        auto [px, py] = s->toPixels(it->second.first, it->second.second);
        s->input_.touchMove(s->mapping_.placement, {0, id}, px, py);
    }
    static void touchFrame(void*, wl_touch*) {}
    static void touchCancel(void* data, wl_touch*) {
        WaylandSeat* s = seat(data);
        s->touches_.clear();
        s->input_.touchCancel();
    }
    static void touchShape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {}
    static void touchOrientation(void*, wl_touch*, int32_t, wl_fixed_t) {}

    static constexpr wl_seat_listener seatListener{capabilities, name};
    static constexpr wl_pointer_listener pointer{pointerEnter,  pointerLeave,      pointerMotion,
                                                 pointerButton, pointerAxis,       pointerFrame,
                                                 pointerAxisSource, pointerAxisStop, pointerAxisDiscrete,
                                                 nullptr};  // axis_value120: not at the version bound
    static constexpr wl_keyboard_listener keyboard{keymap, keyboardEnter, keyboardLeave, key, modifiers, repeatInfo};
    static constexpr wl_touch_listener touch{touchDown,   touchUp,    touchMotion,     touchFrame,
                                             touchCancel, touchShape, touchOrientation};
};

WaylandSeat::WaylandSeat(wl_seat* seat, wl_compositor* compositor, wl_shm* shm, wl_surface* surface, WindowInput& input,
                         const Mapping& mapping, CommandHandler onCommand)
    : seat_(seat), compositor_(compositor), shm_(shm), surface_(surface), input_(input), mapping_(mapping),
      onCommand_(std::move(onCommand)) {
    if (!seat_) return;
    // XCURSOR_THEME and XCURSOR_SIZE name the desktop's choice; wayland-cursor falls back to its own.
    const char* size = std::getenv("XCURSOR_SIZE");
    const int pixels = size && std::atoi(size) > 0 ? std::atoi(size) : 24;
    cursorTheme_ = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), pixels, shm_);
    cursorSurface_ = wl_compositor_create_surface(compositor_);
    wl_seat_add_listener(seat_, &WaylandSeatListeners::seatListener, this);
}

WaylandSeat::~WaylandSeat() {
    if (pointer_) wl_pointer_release(pointer_);
    if (keyboard_) wl_keyboard_release(keyboard_);
    if (touch_) wl_touch_release(touch_);
    if (cursorSurface_) wl_surface_destroy(cursorSurface_);
    if (cursorTheme_) wl_cursor_theme_destroy(cursorTheme_);
    if (seat_) {
        if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION) wl_seat_release(seat_);
        else wl_seat_destroy(seat_);
    }
}

void WaylandSeat::capabilities(uint32_t caps) {
    const bool pointer = caps & WL_SEAT_CAPABILITY_POINTER, keyboard = caps & WL_SEAT_CAPABILITY_KEYBOARD,
               touch = caps & WL_SEAT_CAPABILITY_TOUCH;
    if (pointer && !pointer_) {
        pointer_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointer_, &WaylandSeatListeners::pointer, this);
    } else if (!pointer && pointer_) {
        wl_pointer_release(pointer_);
        pointer_ = nullptr;
        pointerInside_ = false;
    }
    if (keyboard && !keyboard_) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &WaylandSeatListeners::keyboard, this);
    } else if (!keyboard && keyboard_) {
        wl_keyboard_release(keyboard_);
        keyboard_ = nullptr;
    }
    if (touch && !touch_) {
        touch_ = wl_seat_get_touch(seat_);
        wl_touch_add_listener(touch_, &WaylandSeatListeners::touch, this);
    } else if (!touch && touch_) {
        wl_touch_release(touch_);
        touch_ = nullptr;
        touches_.clear();
        input_.touchCancel();
    }
}

}  // namespace host
