#include "platform/graphics/ImageSurface.h"

#include <cairo.h>

namespace platform {

ImageSurface::ImageSurface(const Image& image) {
    const int w = image.width(), h = image.height();
    cairo_surface_t* s = nullptr;
    if (image.bitsPerPixel() == 32 && image.bytesPerRow() % 4 == 0 &&
        (image.bitmapInfo() == BitmapInfo::BGRX || image.bitmapInfo() == BitmapInfo::BGRAPremultiplied)) {
        // Cairo only reads a source surface; the cast does not lead to writes.
        s = cairo_image_surface_create_for_data(
            const_cast<uint8_t*>(image.data()),
            image.bitmapInfo() == BitmapInfo::BGRX ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, w, h,
            image.bytesPerRow());
    } else if (image.bitsPerPixel() == 32) {
        // Rows not on a 4-byte boundary: copy into Cairo's layout.
        copy_.resize(size_t(w) * 4 * h);
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = image.pixel(0, y);
            std::copy(src, src + size_t(w) * 4, copy_.data() + size_t(y) * w * 4);
        }
        s = cairo_image_surface_create_for_data(
            copy_.data(), image.bitmapInfo() == BitmapInfo::BGRAPremultiplied ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
            w, h, w * 4);
    } else if (image.bitsPerPixel() == 8) {
        copy_.resize(size_t(w) * 4 * h);
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = image.pixel(0, y);
            uint8_t* dst = copy_.data() + size_t(y) * w * 4;
            for (int x = 0; x < w; ++x) {
                dst[4 * x] = dst[4 * x + 1] = dst[4 * x + 2] = src[x];
                dst[4 * x + 3] = 255;
            }
        }
        s = cairo_image_surface_create_for_data(copy_.data(), CAIRO_FORMAT_RGB24, w, h, w * 4);
    }
    if (s && cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        s = nullptr;
    }
    surface_ = s;
}

ImageSurface::~ImageSurface() {
    if (surface_) {
        cairo_surface_finish(surface_);
        cairo_surface_destroy(surface_);
    }
}

}  // namespace platform
