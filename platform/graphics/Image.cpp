#include "platform/graphics/Image.h"

#include <cmath>
#include <cstring>

namespace platform {

ImageRef Image::create(int width, int height, int bitsPerComponent, int bitsPerPixel, int bytesPerRow,
                       ColorSpace space, BitmapInfo info, std::shared_ptr<const uint8_t> bytes, size_t length) {
    if (width <= 0 || height <= 0 || bitsPerComponent <= 0 || bitsPerPixel <= 0 || bitsPerPixel % 8 != 0)
        return nullptr;
    if (!bytes) return nullptr;
    const size_t rowUsed = size_t(width) * size_t(bitsPerPixel / 8);
    if (bytesPerRow <= 0 || size_t(bytesPerRow) < rowUsed) return nullptr;
    const size_t needed = size_t(bytesPerRow) * size_t(height - 1) + rowUsed;
    if (length < needed) return nullptr;
    auto img = std::shared_ptr<Image>(new Image());
    img->width_ = width;
    img->height_ = height;
    img->bitsPerComponent_ = bitsPerComponent;
    img->bitsPerPixel_ = bitsPerPixel;
    img->bytesPerRow_ = bytesPerRow;
    img->colorSpace_ = space;
    img->bitmapInfo_ = info;
    img->data_ = std::move(bytes);
    img->length_ = std::min(length, size_t(bytesPerRow) * size_t(height));
    return img;
}

namespace {
ImageRef fromVector(int width, int height, std::vector<uint8_t> bytes, int bytesPerRow, int bpp,
                    ColorSpace space, BitmapInfo info) {
    if (bytesPerRow == 0) bytesPerRow = width * bpp;
    auto owner = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
    std::shared_ptr<const uint8_t> p(owner, owner->data());
    return Image::create(width, height, 8, bpp * 8, bytesPerRow, space, info, std::move(p), owner->size());
}
}  // namespace

ImageRef Image::createBGRX(int width, int height, std::vector<uint8_t> bytes, int bytesPerRow) {
    return fromVector(width, height, std::move(bytes), bytesPerRow, 4, ColorSpace::DeviceRGB, BitmapInfo::BGRX);
}

ImageRef Image::createGray(int width, int height, std::vector<uint8_t> bytes, int bytesPerRow) {
    return fromVector(width, height, std::move(bytes), bytesPerRow, 1, ColorSpace::DeviceGray, BitmapInfo::None);
}

std::vector<uint8_t> Image::copyData() const { return std::vector<uint8_t>(data_.get(), data_.get() + length_); }

ImageRef Image::crop(const Rect& rect) const {
    if (!(std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
          std::isfinite(rect.height())))
        return nullptr;
    const double x0 = std::max(0.0, std::floor(double(rect.minX())));
    const double y0 = std::max(0.0, std::floor(double(rect.minY())));
    const double x1 = std::min(double(width_), std::ceil(double(rect.maxX())));
    const double y1 = std::min(double(height_), std::ceil(double(rect.maxY())));
    if (x1 <= x0 || y1 <= y0) return nullptr;
    const int x = int(x0), y = int(y0), w = int(x1 - x0), h = int(y1 - y0);
    const size_t offset = size_t(y) * bytesPerRow_ + size_t(x) * bytesPerPixel();
    std::shared_ptr<const uint8_t> p(data_, data_.get() + offset);
    return create(w, h, bitsPerComponent_, bitsPerPixel_, bytesPerRow_, colorSpace_, bitmapInfo_, std::move(p),
                  length_ - offset);
}

}  // namespace platform
