#include "platform/graphics/PNGFile.h"

#include "platform/graphics/ImageSurface.h"

#include <cairo.h>

#include <cstring>
#include <vector>

namespace platform {
namespace {

ImageRef fromSurface(cairo_surface_t* s) {
    ImageRef result;
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(s);
        const cairo_format_t f = cairo_image_surface_get_format(s);
        const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        if ((f == CAIRO_FORMAT_ARGB32 || f == CAIRO_FORMAT_RGB24) && w > 0 && h > 0) {
            std::vector<uint8_t> bytes(size_t(w) * 4 * h);
            const uint8_t* src = cairo_image_surface_get_data(s);
            for (int y = 0; y < h; ++y) {
                uint8_t* d = bytes.data() + size_t(y) * w * 4;
                std::memcpy(d, src + size_t(y) * stride, size_t(w) * 4);
                if (f == CAIRO_FORMAT_RGB24)
                    for (int x = 0; x < w; ++x) d[4 * x + 3] = 255;
            }
            if (f == CAIRO_FORMAT_RGB24) {
                result = Image::createBGRX(w, h, std::move(bytes));
            } else {
                auto owner = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
                std::shared_ptr<const uint8_t> p(owner, owner->data());
                result = Image::create(w, h, 8, 32, w * 4, ColorSpace::DeviceRGB, BitmapInfo::BGRAPremultiplied,
                                       std::move(p), owner->size());
            }
        }
    }
    cairo_surface_destroy(s);
    return result;
}

struct Reader {
    const uint8_t* p;
    size_t left;
};

cairo_status_t readChunk(void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<Reader*>(closure);
    if (length > r->left) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->p, length);
    r->p += length;
    r->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

ImageRef PNGFile::read(const std::filesystem::path& path) {
    return fromSurface(cairo_image_surface_create_from_png(path.c_str()));
}

ImageRef PNGFile::decode(const uint8_t* bytes, size_t length) {
    if (!bytes) return nullptr;
    Reader r{bytes, length};
    return fromSurface(cairo_image_surface_create_from_png_stream(readChunk, &r));
}

bool PNGFile::write(const Image& image, const std::filesystem::path& path) {
    ImageSurface s(image);
    if (!s.surface()) return false;
    return cairo_surface_write_to_png(s.surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace platform
