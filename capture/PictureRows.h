#pragma once
// The picture file's pixels made a band of rows at a time, as the JPEG encoder takes them: the
// zoomed crop scaled to the output size and coloured, row by row, so the whole picture never
// sits in memory and each band is still in the cache when the next step reads it. The result is
// byte for byte the context the rendering draws into and filters.
#include "capture/ColorMode.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageScaler.h"

#include <cstdint>
#include <memory>

namespace kestrova {

class PictureRows {
public:
    // Whether `crop` can be made this way (B,G,R,X pixels; colour modes other than grey).
    static bool accepts(const platform::ImageRef& crop, ColorMode colorMode);

    PictureRows(platform::ImageRef crop, int width, int height, ColorMode colorMode);

    // Fills `rows` with the addresses of rows first .. first + count - 1 (count at most kBand),
    // valid until the next call. Bands are asked for top to bottom. False when memory runs out.
    bool rows(int first, int count, const uint8_t** rows);

    static constexpr int kBand = 16;

private:
    // Unfiltered rows [first, first + count) into `dst` (rows of 4 * width bytes).
    bool source(int first, int count, uint8_t* dst);
    bool singleColorRows(int first, int count);

    platform::ImageRef crop_;
    int width_, height_;
    ColorMode colorMode_;
    platform::ImageScaler scaler_;  // over *crop_
    bool direct_;  // the crop already has the output size
    std::unique_ptr<uint8_t[]> band_;
    // Single colour: the unfiltered rows [windowFirst_, windowEnd_) around the band.
    std::unique_ptr<uint8_t[]> window_;
    int windowFirst_ = 0, windowEnd_ = 0;
};

}  // namespace kestrova
