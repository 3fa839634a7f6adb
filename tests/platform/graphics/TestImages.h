#pragma once
// Test pictures in the camera's layout: B, G, R and a fourth byte a pixel, rows without padding;
// and the bytes of a pixel drawn.
#include "platform/graphics/Image.h"

#include <array>
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

// The B, G, R and fourth bytes of pixel (x, y) of a picture in either layout of 32 bits.
using Bgra = std::array<int, 4>;
inline Bgra bgra(const platform::ImageRef& img, int x, int y) {
    const uint8_t* p = img->pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

}  // namespace testimages
