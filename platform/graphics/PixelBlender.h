#pragma once
// Premultiplied B,G,R,A "over" on whole-pixel boxes of 32-bit rows, giving exactly the bytes
// Cairo's image surfaces give (pixman's 8-bit arithmetic: each product divided by 255 rounded,
// sums saturated): for the few small views drawn over the live preview thirty times a second,
// where Cairo's setting up of each paint costs more than the pixels.
#include "platform/graphics/PixelRows.h"

#include <cstdint>

namespace platform {

class PixelBlender {
public:
    // Cairo's 8-bit premultiplied form of a colour (components in [0, 1], clamped), as a
    // little-endian B,G,R,A word.
    static uint32_t premultiplied(double r, double g, double b, double a);
    // Cairo's 8-bit form of an opacity in [0, 1].
    static uint8_t opacity(double a);

    // `color` (premultiplied) over every pixel of `box`.
    static void fill(const PixelRows& target, const PixelBox& box, uint32_t color);
    // The premultiplied pixels of `source` (`sourceOrigin`: the source pixel that lands on the
    // box's top left), times `opacity`, over `box`. An opaque source's fourth byte counts as 255.
    static void paint(const PixelRows& target, const PixelBox& box, const uint8_t* source, int sourceBytesPerRow,
                      bool opaqueSource, uint8_t opacity);
};

}  // namespace platform
