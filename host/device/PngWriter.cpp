#include "host/device/PngWriter.h"

#include <cairo.h>

#include <cstring>

namespace host {

std::optional<std::string> writePng(const platform::Image& image, const std::filesystem::path& file) {
    const int w = image.width(), h = image.height();
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return "cannot make a " + std::to_string(w) + " x " + std::to_string(h) + " picture";
    }
    cairo_surface_flush(s);
    uint8_t* dst = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const bool grey = image.colorSpace() == platform::ColorSpace::DeviceGray;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = image.pixel(0, y);
        uint8_t* row = dst + size_t(y) * stride;
        if (!grey) {
            std::memcpy(row, src, size_t(w) * 4);  // Cairo RGB24 is B,G,R,X in memory here
        } else {
            for (int x = 0; x < w; ++x) {
                row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = src[x];
                row[4 * x + 3] = 0xFF;
            }
        }
    }
    cairo_surface_mark_dirty(s);
    cairo_status_t st = cairo_surface_write_to_png(s, file.c_str());
    cairo_surface_destroy(s);
    if (st != CAIRO_STATUS_SUCCESS) return "cannot write " + file.string() + ": " + cairo_status_to_string(st);
    return std::nullopt;
}

}  // namespace host
