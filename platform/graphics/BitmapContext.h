#pragma once
// An offscreen bitmap to draw into, y-up. RGB contexts are 4 bytes a pixel, B,G,R,X; grey
// contexts 1 byte a pixel (full-range BT.601 luma). Drawing an image into a rectangle goes through
// libyuv when it is axis-aligned (scales, quarter turns), through Cairo otherwise.
#include "platform/graphics/GraphicsContext.h"

#include <memory>

namespace platform {

class BitmapContext final : public GraphicsContext {
public:
    // Returns null for bad sizes: width or height not positive, rows shorter than a pixel row,
    // an unsupported bits-per-component, or a colour space that does not match the layout.
    static std::unique_ptr<BitmapContext> create(int width, int height, int bitsPerComponent, int bytesPerRow,
                                                 ColorSpace space, BitmapInfo info);
    ~BitmapContext() override;

    int width() const;
    int height() const;
    int bytesPerRow() const;
    ColorSpace colorSpace() const;
    BitmapInfo bitmapInfo() const;
    uint8_t* data();
    // An image of the current contents (a copy; later drawing does not change it).
    ImageRef makeImage();

private:
    struct Impl;
    explicit BitmapContext(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
