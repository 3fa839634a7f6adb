#include "platform/graphics/ImageBlitter.h"

#include "platform/graphics/GraphicsContext.h"

#include <cairo.h>
#include <libyuv/scale_argb.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace platform {
namespace {

bool whole(double v, int& out) {
    const double r = std::round(v);
    if (std::fabs(v - r) > 1e-3 || std::fabs(r) > 1e7) return false;
    out = int(r);
    return true;
}

}  // namespace

bool ImageBlitter::drawNearest(GraphicsContext& context, const Rect& r, const Image& image) {
    if (context.hasShadow() || context.alpha() < 1 || r.isEmpty()) return false;
    if (image.bitsPerPixel() != 32 || image.bitmapInfo() != BitmapInfo::BGRX || !image.data()) return false;
    cairo_t* cr = context.cairo();
    cairo_surface_t* s = cairo_get_target(cr);
    if (cairo_surface_get_type(s) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    const cairo_format_t format = cairo_image_surface_get_format(s);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    // Scales and moves only; a flipped y (bitmap contexts) still puts row 0 at the top.
    if (m.xy != 0 || m.yx != 0 || !(m.xx > 0) || m.yy == 0) return false;

    auto toDevice = [&](double x0, double y0, double x1, double y1, int out[4]) {
        cairo_user_to_device(cr, &x0, &y0);
        cairo_user_to_device(cr, &x1, &y1);
        return whole(std::min(x0, x1), out[0]) && whole(std::min(y0, y1), out[1]) && whole(std::max(x0, x1), out[2]) &&
               whole(std::max(y0, y1), out[3]);
    };
    int d[4];
    if (!toDevice(r.minX(), r.minY(), r.maxX(), r.maxY(), d)) return false;
    const int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
    int c[4] = {0, 0, sw, sh};
    // The clip: none, or one rectangle on whole pixels.
    cairo_rectangle_list_t* clips = cairo_copy_clip_rectangle_list(cr);
    bool ok = clips->status == CAIRO_STATUS_SUCCESS && clips->num_rectangles <= 1;
    if (ok && clips->num_rectangles == 1) {
        const cairo_rectangle_t& k = clips->rectangles[0];
        int e[4];
        ok = toDevice(k.x, k.y, k.x + k.width, k.y + k.height, e);
        if (ok) c[0] = std::max(c[0], e[0]), c[1] = std::max(c[1], e[1]), c[2] = std::min(c[2], e[2]), c[3] = std::min(c[3], e[3]);
    }
    cairo_rectangle_list_destroy(clips);
    if (!ok) return false;
    const int x0 = std::max(c[0], d[0]), y0 = std::max(c[1], d[1]);
    const int x1 = std::min(c[2], d[2]), y1 = std::min(c[3], d[3]);
    const int dw = d[2] - d[0], dh = d[3] - d[1];
    if (dw > 32767 || dh > 32767 || image.width() > 32767 || image.height() > 32767) return false;
    if (x1 <= x0 || y1 <= y0) return true;  // nothing visible

    context.prepareForCairo();
    cairo_surface_flush(s);
    uint8_t* px = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    // libyuv writes only the clip of the whole scaled picture, whose origin may lie outside.
    uint8_t* origin = px + (intptr_t(d[1]) * stride + intptr_t(d[0]) * 4);
    const bool done = libyuv::ARGBScaleClip(image.data(), image.bytesPerRow(), image.width(), image.height(), origin,
                                            stride, dw, dh, x0 - d[0], y0 - d[1], x1 - x0, y1 - y0,
                                            libyuv::kFilterNone) == 0;
    if (done && format == CAIRO_FORMAT_ARGB32) {
        // The image's fourth byte means nothing: the pixels are opaque.
        for (int y = y0; y < y1; ++y) {
            uint32_t* row = reinterpret_cast<uint32_t*>(px + size_t(y) * stride) + x0;
            for (int x = 0; x < x1 - x0; ++x) row[x] |= 0xFF000000u;
        }
    }
    cairo_surface_mark_dirty(s);
    return done;
}

}  // namespace platform
