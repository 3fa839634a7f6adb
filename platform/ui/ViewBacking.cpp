#include "platform/ui/ViewBacking.h"

#include <cairo.h>

namespace platform {

ViewBacking::ViewBacking(cairo_surface_t* surface, float scale, int pixelWidth, int pixelHeight)
    : surface_(surface), scale_(scale), pixelWidth_(pixelWidth), pixelHeight_(pixelHeight) {}

ViewBacking::~ViewBacking() {
    if (surface_) cairo_surface_destroy(surface_);
}

}  // namespace platform
