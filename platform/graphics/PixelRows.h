#pragma once
// Rows of B,G,R,X pixels owned by someone else (a window system's buffer, a Cairo image
// surface), and a box of whole pixels on them, for code that writes pixels without Cairo.
#include <cstdint>

namespace platform {

struct PixelBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // [x0, x1) x [y0, y1)
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

struct PixelRows {
    uint8_t* pixels = nullptr;
    int width = 0, height = 0, bytesPerRow = 0;
};

}  // namespace platform
