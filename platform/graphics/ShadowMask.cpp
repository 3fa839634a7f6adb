#include "platform/graphics/ShadowMask.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

ShadowMask::ShadowMask(int width, int height) : width_(width), height_(height) {
    if (width <= 0 || height <= 0) return;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    surface_ = s;
}

ShadowMask::~ShadowMask() {
    if (surface_) cairo_surface_destroy(surface_);
}

int ShadowMask::boxRadiusForBlur(double blurPixels) {
    if (!(blurPixels > 0)) return 0;
    // Three boxes of width w have variance 3 (w^2 - 1) / 12; the Gaussian's sigma is blur / 2.
    double sigma = blurPixels / 2;
    double w = std::sqrt(4 * sigma * sigma + 1);
    return std::max(0, int(std::lround((w - 1) / 2)));
}

void ShadowMask::blurLine(uint8_t* p, int n, int step, int radius, uint16_t* scratch) {
    if (radius <= 0 || n <= 0) return;
    const int window = 2 * radius + 1;
    uint16_t* a = scratch;
    uint16_t* b = scratch + n;
    for (int i = 0; i < n; ++i) a[i] = p[i * step];
    for (int pass = 0; pass < 3; ++pass) {
        uint32_t sum = 0;
        for (int i = 0; i < std::min(radius, n); ++i) sum += a[i];
        for (int i = 0; i < n; ++i) {
            if (i + radius < n) sum += a[i + radius];
            b[i] = uint16_t((sum + window / 2) / window);
            if (i - radius >= 0) sum -= a[i - radius];
        }
        std::swap(a, b);
    }
    for (int i = 0; i < n; ++i) p[i * step] = uint8_t(a[i]);
}

void ShadowMask::blur(int radius) {
    if (!surface_ || radius <= 0) return;
    cairo_surface_flush(surface_);
    uint8_t* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    std::vector<uint16_t> scratch(2 * size_t(std::max(width_, height_)));
    for (int y = 0; y < height_; ++y) blurLine(data + size_t(y) * stride, width_, 1, radius, scratch.data());
    for (int x = 0; x < width_; ++x) blurLine(data + x, height_, stride, radius, scratch.data());
    cairo_surface_mark_dirty(surface_);
}

}  // namespace platform
