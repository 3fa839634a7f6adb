#pragma once
// Puts a B,G,R,X image straight into the pixels under a context, nearest-neighbour, without
// Cairo: for pictures redrawn many times a second (the live preview), where filtering through
// Cairo costs more than everything else on screen.
#include "platform/foundation/Geometry.h"
#include "platform/graphics/Image.h"

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

    // Runs the baseline code even where AVX2 code would be chosen (the tests check both).
    static void usePortableCode(bool portable);
};

}  // namespace platform
