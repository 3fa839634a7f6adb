#pragma once
// An offscreen bitmap to draw into, y-up. RGB contexts are 4 bytes a pixel, B,G,R,X; grey
// contexts 1 byte a pixel (full-range BT.601 luma, see GrayConverter). Drawing an image into a
// rectangle goes through libyuv when it is axis-aligned (scales, quarter turns), lands on whole
// pixels, and no clip, shadow or alpha is in force: box filter when shrinking, bilinear when
// enlarging, written straight into the context's pixels. Everything else goes through Cairo.
// Memory row 0 is the top of the picture, so an image drawn into (0, 0, width, height) appears
// upright with its row 0 in memory row 0.
//
// Grey contexts draw paths and text through a colour scratch surface and convert it to luma
// when the pixels are read (data(), makeImage()). A new context is all zero (black).
#include "platform/graphics/GraphicsContext.h"

#include <memory>

namespace platform {

class BitmapContext final : public GraphicsContext {
public:
    // Returns null for bad sizes: width or height not positive or above 32767, rows shorter than
    // a pixel row (or, for colour, not a multiple of 4 bytes), bits per component other than 8,
    // or a colour space that does not match the layout. Colour contexts take BitmapInfo::BGRX
    // or BitmapInfo::BGRAPremultiplied; grey ones BitmapInfo::None.
    static std::unique_ptr<BitmapContext> create(int width, int height, int bitsPerComponent, int bytesPerRow,
                                                 ColorSpace space, BitmapInfo info);
    ~BitmapContext() override;

    int width() const;
    int height() const;
    int bytesPerRow() const;
    ColorSpace colorSpace() const;
    BitmapInfo bitmapInfo() const;
    // The pixels, bytesPerRow() * height() bytes. Writing through it is allowed.
    uint8_t* data();
    // An image of the current contents (a copy; later drawing does not change it), with this
    // context's size, layout and row length.
    ImageRef makeImage();
    // Whether the last drawImage went straight through libyuv (for tests and benchmarks).
    bool lastDrawWasDirect() const;

private:
    struct Impl;
    explicit BitmapContext(std::unique_ptr<Impl> impl);
    void willDrawWithCairo() override;
    bool drawImageDirect(const Rect& r, const Image& image) override;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
