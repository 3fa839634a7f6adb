#pragma once
// Where a live view may draw itself straight into the screen's pixels, thirty times a second,
// without a drawing context: the rows, the pixels it may touch, and where its points land.
#include "platform/graphics/PixelRows.h"

namespace platform {

struct LiveTarget {
    PixelRows rows;
    // Whole pixels, inside the rows and the view's bounds; may be empty.
    PixelBox clip;
    // A point (x, y) of the view's own space lands on pixel (scaleX x + originX, scaleY y + originY).
    double scaleX = 1, scaleY = 1, originX = 0, originY = 0;
};

}  // namespace platform
