#pragma once
// An immutable bitmap: size, pixel layout and shared pixel bytes. Rows run top to bottom in
// memory (row 0 is the top of the picture), as the camera delivers them.
#include "platform/foundation/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

enum class ColorSpace { DeviceRGB, DeviceGray };

// How 32-bit colour pixels are laid out. ByteOrder32Little | NoneSkipFirst is bytes B,G,R,X —
// what the camera, Cairo's RGB24 and the colour filters use. Grey images use None.
enum class BitmapInfo : uint32_t {
    None = 0,
    BGRX = 1,  // 32-bit little-endian, alpha/unused byte last in memory (skip first)
    BGRAPremultiplied = 2,  // 32-bit little-endian B,G,R,A with premultiplied alpha (Cairo ARGB32)
};

class Image;
using ImageRef = std::shared_ptr<const Image>;

class Image {
public:
    // Wraps `bytes` (kept alive by the image). Returns null when the sizes do not fit: a zero or
    // negative size, rows shorter than a pixel row, or fewer than bytesPerRow * height bytes.
    static ImageRef create(int width, int height, int bitsPerComponent, int bitsPerPixel, int bytesPerRow,
                           ColorSpace space, BitmapInfo info, std::shared_ptr<const uint8_t> bytes,
                           size_t length);
    // Convenience: takes ownership of a vector of B,G,R,X pixels (4 bytes each).
    static ImageRef createBGRX(int width, int height, std::vector<uint8_t> bytes, int bytesPerRow = 0);
    // Convenience: takes ownership of a vector of one-byte grey pixels.
    static ImageRef createGray(int width, int height, std::vector<uint8_t> bytes, int bytesPerRow = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerComponent() const { return bitsPerComponent_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    int bytesPerPixel() const { return bitsPerPixel_ / 8; }
    int bytesPerRow() const { return bytesPerRow_; }
    ColorSpace colorSpace() const { return colorSpace_; }
    BitmapInfo bitmapInfo() const { return bitmapInfo_; }

    // The first byte of the top-left pixel.
    const uint8_t* data() const { return data_.get(); }
    // The bytes the image spans: bytesPerRow * height, or less when the last row of a crop ends
    // before the row padding does.
    size_t byteLength() const { return length_; }
    // A copy of byteLength() bytes.
    std::vector<uint8_t> copyData() const;
    const uint8_t* pixel(int x, int y) const { return data_.get() + size_t(y) * bytesPerRow_ + size_t(x) * bytesPerPixel(); }

    // The part of the image inside `rect` (origin top left, in pixels), sharing this image's
    // pixels. The rectangle is rounded outward to whole pixels and clipped to the image; null
    // when nothing is left.
    ImageRef crop(const Rect& rect) const;

private:
    Image() = default;
    int width_ = 0, height_ = 0, bitsPerComponent_ = 8, bitsPerPixel_ = 32, bytesPerRow_ = 0;
    ColorSpace colorSpace_ = ColorSpace::DeviceRGB;
    BitmapInfo bitmapInfo_ = BitmapInfo::BGRX;
    std::shared_ptr<const uint8_t> data_;
    size_t length_ = 0;
};

}  // namespace platform
