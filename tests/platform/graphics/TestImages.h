#pragma once
// Test pictures in the camera's layout: B, G, R and a fourth byte a pixel, rows without padding.
#include "platform/graphics/Image.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace testimages {

struct Rgb {
    uint8_t r, g, b;
};

// A w x h picture whose pixel (x, y) is `colourAt(x, y)`, each fourth byte `fourth`.
inline platform::ImageRef paint(int w, int h, const std::function<Rgb(int x, int y)>& colourAt, uint8_t fourth = 0xFF) {
    std::vector<uint8_t> v(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = colourAt(x, y);
            uint8_t* p = &v[(size_t(y) * w + x) * 4];
            p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = fourth;
        }
    return platform::Image::createBGRX(w, h, std::move(v));
}

inline platform::ImageRef solid(int w, int h, Rgb c) {
    return paint(w, h, [c](int, int) { return c; });
}

}  // namespace testimages
