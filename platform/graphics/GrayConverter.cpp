#include "platform/graphics/GrayConverter.h"

#include <cstddef>

namespace platform {

void GrayConverter::bgrxToGray(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width,
                               int height) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + size_t(y) * srcStride;
        uint8_t* d = dst + size_t(y) * dstStride;
        for (int x = 0; x < width; ++x) d[x] = luma(s[4 * x + 2], s[4 * x + 1], s[4 * x]);
    }
}

void GrayConverter::grayToBGRX(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width,
                               int height) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + size_t(y) * srcStride;
        uint32_t* d = reinterpret_cast<uint32_t*>(dst + size_t(y) * dstStride);
        for (int x = 0; x < width; ++x) d[x] = 0xff000000u | uint32_t(s[x]) * 0x010101u;
    }
}

}  // namespace platform
