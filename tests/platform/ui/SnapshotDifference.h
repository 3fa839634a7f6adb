#pragma once
// Compares what the compositor showed with the window drawn afresh the plain way (a snapshot).
#include "platform/ui/Compositor.h"
#include "platform/ui/ViewBacking.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>

namespace platform::test {

// The largest difference of any colour byte between the compositor's last picture and the
// window drawn afresh, everything included, at the same scale; 256 when either is missing.
inline int worstDifferenceFromSnapshot(const Compositor& compositor, Window& window) {
    ImageRef shown = compositor.image();
    auto all = Compositor::snapshot(window, compositor.scale());
    if (!shown || !all) return 256;
    const uint8_t* ref = cairo_image_surface_get_data(all->surface());
    const int refStride = cairo_image_surface_get_stride(all->surface());
    int worst = 0;
    for (int y = 0; y < shown->height(); ++y)
        for (int x = 0; x < shown->width(); ++x)
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(shown->pixel(x, y)[k] - ref[size_t(y) * refStride + size_t(x) * 4 + k]));
    return worst;
}

}  // namespace platform::test
