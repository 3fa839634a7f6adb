#pragma once
// Puts a B,G,R,X image straight into the pixels under a context, nearest-neighbour, without
// Cairo: for pictures redrawn many times a second (the live preview), where filtering through
// Cairo costs more than everything else on screen.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/PixelRows.h"

namespace platform {

class GraphicsContext;

class ImageBlitter {
public:
    // Draws `image` scaled into `r` (user space), upright, each device pixel taking the image
    // pixel under its centre, and makes the covered pixels opaque. Only when the context's
    // surface is a 32-bit image, `r` lands on whole device pixels without turning or mirroring,
    // any clip is one whole-pixel rectangle, and no alpha or shadow is in force; false (nothing
    // drawn) otherwise, for the caller to draw another way.
    static bool drawNearest(GraphicsContext& context, const Rect& r, const Image& image);
    // The same straight into `target`: `image` scaled into the box `to`, only inside `clip` (and
    // the rows). False (nothing drawn) when the image is not 32-bit B,G,R,X or the box is too large.
    static bool drawNearest(const PixelRows& target, const PixelBox& to, const PixelBox& clip, const Image& image);

    // Runs the baseline code even where AVX2 code would be chosen (the tests check both).
    static void usePortableCode(bool portable);

private:
    static bool fits(const PixelBox& to, const Image& image);
};

}  // namespace platform
