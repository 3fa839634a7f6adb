#include "platform/ui/ViewBacking.h"

#include <cairo.h>

#include <cstdint>
#include <cstring>

namespace platform {

ViewBacking::ViewBacking(cairo_surface_t* surface, float scale, int pixelWidth, int pixelHeight)
    : surface_(surface), scale_(scale), pixelWidth_(pixelWidth), pixelHeight_(pixelHeight) {}

ViewBacking::~ViewBacking() {
    if (surface_) cairo_surface_destroy(surface_);
}

void ViewBacking::contentChanged() {
    clear_ = false;
    if (!surface_ || cairo_image_surface_get_format(surface_) != CAIRO_FORMAT_ARGB32) return;
    cairo_surface_flush(surface_);
    const uint8_t* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const int w = cairo_image_surface_get_width(surface_), h = cairo_image_surface_get_height(surface_);
    if (!data) return;
    // Premultiplied: a pixel with no alpha has no colour either.
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = data + size_t(y) * size_t(stride);
        uint32_t any = 0;
        for (int x = 0; x < w; ++x) {
            uint32_t p;
            std::memcpy(&p, row + size_t(x) * 4, 4);
            any |= p;
        }
        if (any) return;
    }
    clear_ = true;
}

}  // namespace platform
