#pragma once
// The colour effects computed pixel by pixel: sepia, negative and the single-colour keep
// filters. Pixels are 4 bytes, B,G,R,X; byte 3 is never read and always written as 0.
#include "capture/ColorMode.h"
#include "platform/graphics/Image.h"

#include <cstddef>
#include <cstdint>

namespace kestrova {

class ColorFilters {
public:
    // Each returns a new image of the same size and layout; the input is unchanged. Null when the
    // input is not a 32-bit-a-pixel image.
    static platform::ImageRef sephiaTransform(const platform::ImageRef& image);
    static platform::ImageRef inverseTransform(const platform::ImageRef& image);
    // `color` the colour kept: Red, Green or Blue (any other mode: blue). Neighbours one row away
    // are one true row apart (bytes per row / 4 pixels).
    static platform::ImageRef singleColorFilter(const platform::ImageRef& image, ColorMode color);

    // The same on flat buffers of `length` bytes, treated as length / 4 pixels; any bytes past the
    // last whole pixel are written as 0. `src` and `dst` may be the same buffer for sepia and
    // negative, never for the single-colour filter. `rowStep` is in pixels.
    static void sepia(const uint8_t* src, uint8_t* dst, size_t length);
    static void inverse(const uint8_t* src, uint8_t* dst, size_t length);
    static void singleColor(const uint8_t* src, uint8_t* dst, size_t length, size_t rowStep, ColorMode color);

    // Pieces of the single-colour filter for callers that filter a picture a band at a time.
    // singleColorSpan filters `count` pixels not on the border, the first at `centre`; it reads
    // rowStep + 1 pixels before and after them. singleColorBorder copies `count` border pixels.
    static void singleColorSpan(const uint8_t* centre, uint8_t* dst, size_t count, size_t rowStep, ColorMode color);
    static void singleColorBorder(const uint8_t* src, uint8_t* dst, size_t count);

    // Runs the portable kernels even where AVX2 code would be chosen (the tests check both).
    static void usePortableCode(bool portable);
};

}  // namespace kestrova
