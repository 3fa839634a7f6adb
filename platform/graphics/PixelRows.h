#pragma once
// Rows of B,G,R,X pixels owned by someone else (a window system's buffer, a Cairo image
// surface), and a box of whole pixels on them, for code that writes pixels without Cairo.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace platform {

struct PixelBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // [x0, x1) x [y0, y1)
    bool empty() const { return x1 <= x0 || y1 <= y0; }

    // The box between two corners given in device space, when its edges fall on whole pixels
    // (within 1/1000 of one: Cairo keeps coordinates in 256ths); nothing otherwise, where drawing
    // would have to blend partly covered pixels.
    static std::optional<PixelBox> onWholePixels(double ax, double ay, double bx, double by) {
        const double edges[4] = {std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
        int whole[4];
        for (int i = 0; i < 4; ++i) {
            const double w = std::round(edges[i]);
            if (std::fabs(edges[i] - w) > 1e-3 || std::fabs(w) > 1e7) return std::nullopt;
            whole[i] = int(w);
        }
        return PixelBox{whole[0], whole[1], whole[2], whole[3]};
    }
};

struct PixelRows {
    uint8_t* pixels = nullptr;
    int width = 0, height = 0, bytesPerRow = 0;
};

}  // namespace platform
