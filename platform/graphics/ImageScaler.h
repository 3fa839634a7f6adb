#pragma once
// Rows of a B,G,R,X image scaled to another size, the same pixels an upright draw into a
// BitmapContext of that size gives (box filter when shrinking, bilinear when enlarging, a plain
// copy at the same size), made a band at a time so a picture never needs a whole-size buffer.
#include "platform/graphics/Image.h"

#include <cstdint>
#include <memory>

namespace platform {

class BoxShrinker;

class ImageScaler {
public:
    // Whether `image` has the layout scaleRows takes: 32-bit B,G,R,X, device RGB.
    static bool accepts(const Image& image);
    // Writes rows [firstRow, firstRow + rowCount) of `src` scaled to dw x dh into `dst`, one row
    // every `dstStride` bytes. False for bad arguments or when memory runs out.
    static bool scaleRows(const Image& src, int dw, int dh, int firstRow, int rowCount, uint8_t* dst, int dstStride);

    // The same for one picture asked for band after band: what every band shares (the box
    // filter's taps) is worked out once. `src` must outlive the scaler.
    ImageScaler(const Image& src, int dw, int dh);
    ~ImageScaler();
    bool rows(int firstRow, int rowCount, uint8_t* dst, int dstStride);

private:
    const Image& src_;
    int dw_, dh_;
    std::unique_ptr<BoxShrinker> box_;
};

}  // namespace platform
