#include "host/window/WaylandWindow.h"

#include <fractional-scale-v1-client-protocol.h>
#include <viewporter-client-protocol.h>
#include <wayland-client.h>
#include <xdg-activation-v1-client-protocol.h>
#include <xdg-decoration-unstable-v1-client-protocol.h>
#include <xdg-shell-client-protocol.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace host {

// The C listeners of the protocol objects, each forwarding to the window.
struct WaylandWindowListeners {
    static void ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }

    static void outputGeometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                               const char*, int32_t transform) {
        static_cast<WaylandWindow::Output*>(data)->transform = transform;
    }
    static void outputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
        if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
        auto* o = static_cast<WaylandWindow::Output*>(data);
        o->width = width;
        o->height = height;
    }
    // A scale that changed under the window: drawn again at the new one.
    static void outputDone(void* data, wl_output*) { static_cast<WaylandWindow::Output*>(data)->window->updateWholeScale(); }
    static void outputScale(void* data, wl_output*, int32_t scale) {
        static_cast<WaylandWindow::Output*>(data)->scale = std::max(1, int(scale));
    }

    static void enter(void* data, wl_surface*, wl_output* output) {
        auto* w = static_cast<WaylandWindow*>(data);
        w->entered_.push_back(output);
        w->updateWholeScale();
    }
    static void leave(void* data, wl_surface*, wl_output* output) {
        auto* w = static_cast<WaylandWindow*>(data);
        w->entered_.erase(std::remove(w->entered_.begin(), w->entered_.end(), output), w->entered_.end());
        w->updateWholeScale();
    }

    static void surfaceConfigure(void* data, xdg_surface*, uint32_t serial) {
        static_cast<WaylandWindow*>(data)->configure(serial);
    }
    static void toplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array* states) {
        auto* w = static_cast<WaylandWindow*>(data);
        w->pendingWidth_ = std::max(0, int(width));
        w->pendingHeight_ = std::max(0, int(height));
        w->pendingFullscreen_ = w->pendingActivated_ = false;
        const auto* s = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
            if (s[i] == XDG_TOPLEVEL_STATE_FULLSCREEN) w->pendingFullscreen_ = true;
            if (s[i] == XDG_TOPLEVEL_STATE_ACTIVATED) w->pendingActivated_ = true;
        }
    }
    static void toplevelClose(void* data, xdg_toplevel*) {
        auto* w = static_cast<WaylandWindow*>(data);
        if (w->listener_) w->listener_->closeRequested();
    }

    static void preferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale120) {
        auto* w = static_cast<WaylandWindow*>(data);
        w->scale_.setFractional(int(scale120));
        w->scaleChanged();
    }

    static void frameDone(void* data, wl_callback* callback, uint32_t) {
        auto* w = static_cast<WaylandWindow*>(data);
        wl_callback_destroy(callback);
        w->frameCallback_ = nullptr;
        if (w->listener_) w->listener_->frameDone();
    }

    static constexpr wl_registry_listener registry{WaylandWindow::global, WaylandWindow::globalRemove};
    static constexpr xdg_wm_base_listener wmBase{ping};
    // Later events than the bound versions' are never sent.
    static constexpr wl_output_listener output{outputGeometry, outputMode, outputDone, outputScale, nullptr, nullptr};
    static constexpr wl_surface_listener surface{enter, leave};
    static constexpr xdg_surface_listener xdgSurface{surfaceConfigure};
    static constexpr xdg_toplevel_listener toplevel{toplevelConfigure, toplevelClose, nullptr, nullptr};
    static constexpr wp_fractional_scale_v1_listener fractional{preferredScale};
    static constexpr wl_callback_listener frame{frameDone};
};

std::unique_ptr<WaylandWindow> WaylandWindow::connect(std::string* why) {
    std::unique_ptr<WaylandWindow> w(new WaylandWindow);
    w->display_ = wl_display_connect(nullptr);
    if (!w->display_) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        if (why) *why = std::string("cannot connect to the Wayland compositor at ") + (name && *name ? name : "wayland-0");
        return nullptr;
    }
    w->registry_ = wl_display_get_registry(w->display_);
    wl_registry_add_listener(w->registry_, &WaylandWindowListeners::registry, w.get());
    // The globals, then what the outputs say about themselves.
    if (wl_display_roundtrip(w->display_) < 0 || wl_display_roundtrip(w->display_) < 0) {
        if (why) *why = "the Wayland compositor closed the connection";
        return nullptr;
    }
    if (!w->compositor_ || !w->shm_ || !w->wmBase_) {
        if (why) *why = "the Wayland compositor offers no xdg-shell windows in shared memory";
        return nullptr;
    }
    w->buffers_ = std::make_unique<WaylandBufferPool>(w->shm_);
    return w;
}

void WaylandWindow::global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    auto* w = static_cast<WaylandWindow*>(data);
    auto bind = [&](const wl_interface* iface, uint32_t wanted) {
        return wl_registry_bind(registry, name, iface, std::min(version, wanted));
    };
    const std::string i = interface;
    if (i == wl_compositor_interface.name && version >= 4) {
        // damage_buffer arrived with version 4.
        w->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (i == wl_shm_interface.name) {
        w->shm_ = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (i == wl_seat_interface.name && !w->seatName_) {
        w->seatName_ = name;
        w->seatVersion_ = std::min(version, 5u);
    } else if (i == wl_output_interface.name) {
        auto o = std::make_unique<Output>();
        o->name = name;
        o->window = w;
        o->output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
        wl_output_add_listener(o->output, &WaylandWindowListeners::output, o.get());
        w->outputs_.push_back(std::move(o));
    } else if (i == xdg_wm_base_interface.name) {
        w->wmBase_ = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(w->wmBase_, &WaylandWindowListeners::wmBase, w);
    } else if (i == zxdg_decoration_manager_v1_interface.name) {
        w->decorationManager_ = static_cast<zxdg_decoration_manager_v1*>(bind(&zxdg_decoration_manager_v1_interface, 1));
    } else if (i == wp_viewporter_interface.name) {
        w->viewporter_ = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
    } else if (i == wp_fractional_scale_manager_v1_interface.name) {
        w->fractionalManager_ =
            static_cast<wp_fractional_scale_manager_v1*>(bind(&wp_fractional_scale_manager_v1_interface, 1));
    } else if (i == xdg_activation_v1_interface.name) {
        w->activation_ = static_cast<xdg_activation_v1*>(bind(&xdg_activation_v1_interface, 1));
    }
}

void WaylandWindow::globalRemove(void* data, wl_registry*, uint32_t name) {
    auto* w = static_cast<WaylandWindow*>(data);
    for (auto it = w->outputs_.begin(); it != w->outputs_.end(); ++it) {
        if ((*it)->name != name) continue;
        wl_output* gone = (*it)->output;
        w->entered_.erase(std::remove(w->entered_.begin(), w->entered_.end(), gone), w->entered_.end());
        wl_output_destroy(gone);
        w->outputs_.erase(it);
        w->updateWholeScale();
        return;
    }
}

WaylandWindow::~WaylandWindow() {
    if (frameCallback_) wl_callback_destroy(frameCallback_);
    buffers_.reset();
    if (fractional_) wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_) wp_viewport_destroy(viewport_);
    if (decoration_) zxdg_toplevel_decoration_v1_destroy(decoration_);
    if (toplevel_) xdg_toplevel_destroy(toplevel_);
    if (xdgSurface_) xdg_surface_destroy(xdgSurface_);
    if (surface_) wl_surface_destroy(surface_);
    for (auto& o : outputs_) wl_output_destroy(o->output);
    if (activation_) xdg_activation_v1_destroy(activation_);
    if (fractionalManager_) wp_fractional_scale_manager_v1_destroy(fractionalManager_);
    if (viewporter_) wp_viewporter_destroy(viewporter_);
    if (decorationManager_) zxdg_decoration_manager_v1_destroy(decorationManager_);
    if (wmBase_) xdg_wm_base_destroy(wmBase_);
    if (shm_) wl_shm_destroy(shm_);
    if (compositor_) wl_compositor_destroy(compositor_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) {
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }
}

void WaylandWindow::firstOutputSize(int* width, int* height) const {
    *width = *height = 0;
    if (outputs_.empty()) return;
    const Output& o = *outputs_.front();
    // Quarter turns (odd transforms, flipped or not) swap the sides.
    const bool turned = o.transform % 2 == 1;
    *width = (turned ? o.height : o.width) / o.scale;
    *height = (turned ? o.width : o.height) / o.scale;
}

bool WaylandWindow::show(int width, int height, int minWidth, int minHeight, bool fullscreen, std::string* why) {
    surface_ = wl_compositor_create_surface(compositor_);
    wl_surface_add_listener(surface_, &WaylandWindowListeners::surface, this);
    xdgSurface_ = xdg_wm_base_get_xdg_surface(wmBase_, surface_);
    xdg_surface_add_listener(xdgSurface_, &WaylandWindowListeners::xdgSurface, this);
    toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
    xdg_toplevel_add_listener(toplevel_, &WaylandWindowListeners::toplevel, this);
    xdg_toplevel_set_title(toplevel_, "Kestrova");
    xdg_toplevel_set_app_id(toplevel_, "org.kestrova.camera");
    xdg_toplevel_set_min_size(toplevel_, minWidth, minHeight);
    if (decorationManager_) {
        decoration_ = zxdg_decoration_manager_v1_get_toplevel_decoration(decorationManager_, toplevel_);
        zxdg_toplevel_decoration_v1_set_mode(decoration_, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
    }
    if (viewporter_ && fractionalManager_) {
        viewport_ = wp_viewporter_get_viewport(viewporter_, surface_);
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalManager_, surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &WaylandWindowListeners::fractional, this);
    }
    if (fullscreen) xdg_toplevel_set_fullscreen(toplevel_, nullptr);
    // Until the surface enters an output, the first output's scale is the best guess.
    if (!outputs_.empty()) scale_.setWholeScale(outputs_.front()->scale);
    width_ = ownWidth_ = std::max(1, width);
    height_ = ownHeight_ = std::max(1, height);
    wl_surface_commit(surface_);
    // Started from a launcher: the window is what it was waiting for.
    if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN"); token && *token) {
        if (activation_) xdg_activation_v1_activate(activation_, token, surface_);
        unsetenv("XDG_ACTIVATION_TOKEN");  // not for anything we start
    }
    while (!configured_) {
        if (wl_display_dispatch(display_) < 0) {
            if (why) *why = "the Wayland compositor closed the connection";
            return false;
        }
    }
    return true;
}

wl_seat* WaylandWindow::bindSeat() {
    if (!seatName_) return nullptr;
    return static_cast<wl_seat*>(wl_registry_bind(registry_, seatName_, &wl_seat_interface, seatVersion_));
}

bool WaylandWindow::dispatch() { return wl_display_dispatch_pending(display_) >= 0; }

void WaylandWindow::configure(uint32_t serial) {
    xdg_surface_ack_configure(xdgSurface_, serial);
    const int w = pendingWidth_ > 0 ? pendingWidth_ : ownWidth_;
    const int h = pendingHeight_ > 0 ? pendingHeight_ : ownHeight_;
    const bool resized = !configured_ || w != width_ || h != height_;
    width_ = w;
    height_ = h;
    fullscreen_ = pendingFullscreen_;
    configured_ = true;
    if (resized) scaleChanged();
    if (pendingActivated_ != activated_) {
        activated_ = pendingActivated_;
        if (listener_) listener_->activated(activated_);
    }
}

void WaylandWindow::updateWholeScale() {
    int scale = 0;
    for (wl_output* e : entered_)
        for (auto& o : outputs_)
            if (o->output == e) scale = std::max(scale, o->scale);
    if (scale == 0) return;  // on no output: keep the last
    SurfaceScale next = scale_;
    next.setWholeScale(scale);
    if (next == scale_) return;
    scale_ = next;
    scaleChanged();
}

void WaylandWindow::scaleChanged() {
    sizeSent_ = false;
    buffers_->invalidate();
    if (listener_) listener_->resized();
}

void WaylandWindow::setFullscreen(bool on) {
    if (on) xdg_toplevel_set_fullscreen(toplevel_, nullptr);
    else xdg_toplevel_unset_fullscreen(toplevel_);
}

bool WaylandWindow::present(const Draw& draw) {
    if (!configured_ || frameCallback_) return false;
    auto* b = buffers_->acquire(bufferWidth(), bufferHeight());
    if (!b) return false;
    const WaylandBufferPool::Rect changed = draw(*b);
    if (changed.empty()) {
        b->busy = false;  // never handed over
        return true;
    }
    buffers_->addDamage(changed);
    b->stale = {};
    b->whole = false;
    if (!sizeSent_) {
        wl_surface_set_buffer_scale(surface_, scale_.bufferScale());
        if (viewport_) {
            if (scale_.fractional()) wp_viewport_set_destination(viewport_, width_, height_);
            else wp_viewport_set_destination(viewport_, -1, -1);
        }
        sizeSent_ = true;
    }
    wl_surface_attach(surface_, b->buffer, 0, 0);
    wl_surface_damage_buffer(surface_, changed.x, changed.y, changed.width, changed.height);
    frameCallback_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameCallback_, &WaylandWindowListeners::frame, this);
    wl_surface_commit(surface_);
    wl_display_flush(display_);
    return true;
}

}  // namespace host
