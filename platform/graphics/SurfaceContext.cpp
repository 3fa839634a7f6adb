#include "platform/graphics/SurfaceContext.h"

#include <cairo.h>

#include <cstring>
#include <vector>

namespace platform {

SurfaceContext::SurfaceContext(cairo_t* cr, cairo_surface_t* surface, int w, int h, float scale, bool opaque)
    : GraphicsContext(cr, false, h / scale, scale), surface_(surface), pixelWidth_(w), pixelHeight_(h),
      opaque_(opaque) {}

std::unique_ptr<SurfaceContext> SurfaceContext::create(int pixelWidth, int pixelHeight, float scale, bool opaque) {
    if (pixelWidth <= 0 || pixelHeight <= 0 || !(scale > 0)) return nullptr;
    cairo_surface_t* s =
        cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, pixelWidth, pixelHeight);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_t* cr = cairo_create(s);
    return std::unique_ptr<SurfaceContext>(new SurfaceContext(cr, s, pixelWidth, pixelHeight, scale, opaque));
}

std::unique_ptr<SurfaceContext> SurfaceContext::createForSurface(cairo_surface_t* surface, float scale) {
    if (!surface || !(scale > 0) || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    if (w <= 0 || h <= 0) return nullptr;
    const bool opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
    cairo_surface_reference(surface);
    cairo_t* cr = cairo_create(surface);
    return std::unique_ptr<SurfaceContext>(new SurfaceContext(cr, surface, w, h, scale, opaque));
}

SurfaceContext::~SurfaceContext() {
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_destroy(surface_);
}

ImageRef SurfaceContext::makeImage() const {
    cairo_surface_flush(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const uint8_t* data = cairo_image_surface_get_data(surface_);
    std::vector<uint8_t> bytes(size_t(stride) * pixelHeight_);
    std::memcpy(bytes.data(), data, bytes.size());
    if (opaque_) return Image::createBGRX(pixelWidth_, pixelHeight_, std::move(bytes), stride);
    auto owner = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
    std::shared_ptr<const uint8_t> p(owner, owner->data());
    return Image::create(pixelWidth_, pixelHeight_, 8, 32, stride, ColorSpace::DeviceRGB,
                         BitmapInfo::BGRAPremultiplied, std::move(p), owner->size());
}

bool SurfaceContext::writePNG(const std::filesystem::path& path) const {
    cairo_surface_flush(surface_);
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void SurfaceContext::fillAll(const Color& c) {
    willDrawWithCairo();
    cairo_save(cr_);
    cairo_reset_clip(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

}  // namespace platform
