#pragma once
// Device grey is full-range BT.601 luma of the colour, rounded half up:
//   Y = round(0.299 R + 0.587 G + 0.114 B) = (299 R + 587 G + 114 B + 500) / 1000 (integer division).
// White stays 255, black 0; pure red 76, green 150, blue 29.
#include <cstdint>

namespace platform {

class GrayConverter {
public:
    static constexpr uint8_t luma(uint8_t r, uint8_t g, uint8_t b) {
        return uint8_t((299u * r + 587u * g + 114u * b + 500u) / 1000u);
    }
    // B,G,R,X rows to grey rows.
    static void bgrxToGray(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height);
    // Grey rows to B,G,R,X rows (X = 255).
    static void grayToBGRX(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height);
};

}  // namespace platform
