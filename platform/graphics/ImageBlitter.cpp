#include "platform/graphics/ImageBlitter.h"

#include "platform/graphics/GraphicsContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {
namespace {

bool whole(double v, int& out) {
    const double r = std::round(v);
    if (std::fabs(v - r) > 1e-3 || std::fabs(r) > 1e7) return false;
    out = int(r);
    return true;
}

// The image column under each device column of a picture `dw` pixels wide, kept between calls:
// the live preview asks thirty times a second at the same size, each time for another part of
// the width. Main thread or not, each thread has its own.
struct ColumnMap {
    int64_t imageWidth = -1, deviceWidth = -1;
    std::vector<uint32_t> columns;

    const uint32_t* forSizes(int64_t iw, int64_t dw) {
        if (iw != imageWidth || dw != deviceWidth) {
            columns.resize(size_t(dw));
            for (int64_t x = 0; x < dw; ++x) columns[size_t(x)] = uint32_t(((2 * x + 1) * iw) / (2 * dw));
            imageWidth = iw;
            deviceWidth = dw;
        }
        return columns.data();
    }
};

ColumnMap& columnMap() {
    thread_local ColumnMap map;
    return map;
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
    // Each device pixel takes the image pixel under its centre. Neighbouring rows of an enlarged
    // picture often come from the same image row: those are copied, not gathered again.
    const int cw = x1 - x0;
    const int64_t iw = image.width(), ih = image.height();
    // Twice the width is the live preview's usual case on a scale 2 screen.
    const bool twice = dw == 2 * iw;
    // Device column x0 + x of the picture is its column x0 - d[0] + x.
    const uint32_t* columns = twice ? nullptr : columnMap().forSizes(iw, dw) + (x0 - d[0]);
    const uint8_t* src = image.data();
    const size_t srcStride = image.bytesPerRow();
    int64_t lastRow = -1;
    const uint32_t* lastOut = nullptr;
    for (int y = y0; y < y1; ++y) {
        const int64_t sy = ((2 * int64_t(y - d[1]) + 1) * ih) / (2 * int64_t(dh));
        uint32_t* out = reinterpret_cast<uint32_t*>(px + size_t(y) * stride) + x0;
        if (sy == lastRow) {
            std::memcpy(out, lastOut, size_t(cw) * 4);
            continue;
        }
        const uint8_t* row = src + size_t(sy) * srcStride;
        // The image's fourth byte means nothing: the pixels are opaque.
        auto pixel = [row](int64_t column) {
            uint32_t v;
            std::memcpy(&v, row + size_t(column) * 4, 4);
            return v | 0xFF000000u;
        };
        if (twice) {
            // Device pixel X takes image pixel X / 2: each image pixel written twice at once.
            const int first = x0 - d[0];
            int x = 0;
            if (first % 2) out[x++] = pixel(first / 2);
            for (; x + 1 < cw; x += 2) {
                const uint64_t two = uint64_t(pixel((first + x) / 2)) * 0x100000001u;
                std::memcpy(out + x, &two, 8);
            }
            if (x < cw) out[x] = pixel((first + x) / 2);
        } else {
            for (int x = 0; x < cw; ++x) out[x] = pixel(columns[x]);
        }
        lastRow = sy;
        lastOut = out;
    }
    cairo_surface_mark_dirty(s);
    return true;
}

}  // namespace platform
