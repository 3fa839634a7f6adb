#include "capture/ColorFilters.h"

#include "platform/graphics/PixelBufferPool.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace kestrova {

using platform::Image;
using platform::ImageRef;

namespace {

inline uint8_t clampTruncate(double v) {
    // Sums are never negative: truncation toward zero, then the 255 limit.
    int i = int(v);
    return uint8_t(i > 255 ? 255 : i);
}

inline uint8_t greyOf(const uint8_t* p) {
    return uint8_t((66 * int(p[2]) + 129 * int(p[1]) + 25 * int(p[0]) + 128) >> 8);
}

void zeroTail(uint8_t* dst, size_t length) {
    size_t whole = length / 4 * 4;
    if (whole < length) std::memset(dst + whole, 0, length - whole);
}

// A new image with `src`'s geometry over freshly filtered bytes.
template <typename Fn>
ImageRef filtered(const ImageRef& src, Fn&& fn) {
    if (!src || src->bitsPerPixel() != 32 || !src->data()) return nullptr;
    const size_t length = src->byteLength();
    // Pooled: a fresh picture-sized buffer costs milliseconds of page faults.
    std::shared_ptr<uint8_t> out = platform::PixelBufferPool::acquire(length);
    if (!out) return nullptr;
    fn(src->data(), out.get(), length, size_t(src->bytesPerRow()) / 4);
    std::shared_ptr<const uint8_t> bytes(std::move(out));
    return Image::create(src->width(), src->height(), src->bitsPerComponent(), src->bitsPerPixel(),
                         src->bytesPerRow(), src->colorSpace(), src->bitmapInfo(), std::move(bytes), length);
}

// Keep tests on the ten-term neighbourhood sums; products with fractional factors in double.
inline bool keepsRed(int sr, int sg, int sb) {
    return (sr > 900 && sr > 1.5 * sb && sr > 1.4 * sg) || sr > 1.3 * (sb + sg);
}
inline bool keepsGreen(int sr, int sg, int sb) { return 2 * sg > 1.3 * sr + 1.3 * sb; }
inline bool keepsBlue(int sr, int sg, int sb) { return 2 * sb > sg + sr + 7; }

template <bool (*Keep)(int, int, int)>
void singleColorImpl(const uint8_t* src, uint8_t* dst, size_t n, size_t s) {
    auto copyPixel = [&](size_t i) {
        const uint8_t* p = src + 4 * i;
        uint8_t* q = dst + 4 * i;
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
        q[3] = 0;
    };
    // Border: the first and last S + 1 pixels keep their bytes.
    const size_t lo = s + 1;
    const size_t hi = n >= s + 1 ? n - s - 1 : 0;  // first border index at the end
    if (lo >= hi) {
        for (size_t i = 0; i < n; ++i) copyPixel(i);
        return;
    }
    for (size_t i = 0; i < lo; ++i) copyPixel(i);
    for (size_t i = hi; i < n; ++i) copyPixel(i);

    // Vertical three-sums v[j] = p[j - S] + p[j] + p[j + S] per channel, in chunks, so that the
    // ten-term sum is v[i - 1] + v[i] + v[i + 1] + p[i].
    constexpr size_t kChunk = 1024;
    uint16_t vb[kChunk + 2], vg[kChunk + 2], vr[kChunk + 2];
    for (size_t start = lo; start < hi; start += kChunk) {
        const size_t end = std::min(hi, start + kChunk);
        const size_t count = end - start + 2;
        const uint8_t* up = src + 4 * (start - 1 - s);
        const uint8_t* mid = src + 4 * (start - 1);
        const uint8_t* down = src + 4 * (start - 1 + s);
        for (size_t k = 0; k < count; ++k) {
            vb[k] = uint16_t(up[4 * k] + mid[4 * k] + down[4 * k]);
            vg[k] = uint16_t(up[4 * k + 1] + mid[4 * k + 1] + down[4 * k + 1]);
            vr[k] = uint16_t(up[4 * k + 2] + mid[4 * k + 2] + down[4 * k + 2]);
        }
        for (size_t i = start; i < end; ++i) {
            const size_t k = i - start + 1;
            const uint8_t* p = src + 4 * i;
            const int sb = vb[k - 1] + vb[k] + vb[k + 1] + p[0];
            const int sg = vg[k - 1] + vg[k] + vg[k + 1] + p[1];
            const int sr = vr[k - 1] + vr[k] + vr[k + 1] + p[2];
            uint8_t* q = dst + 4 * i;
            if (Keep(sr, sg, sb)) {
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
            } else {
                const uint8_t y = greyOf(p);
                q[0] = q[1] = q[2] = y;
            }
            q[3] = 0;
        }
    }
}

}  // namespace

void ColorFilters::sepia(const uint8_t* src, uint8_t* dst, size_t length) {
    const size_t n = length / 4;
    for (size_t i = 0; i < n; ++i) {
        const double b = src[4 * i], g = src[4 * i + 1], r = src[4 * i + 2];
        const uint8_t r2 = clampTruncate(0.393 * r + 0.769 * g + 0.189 * b);
        const uint8_t g2 = clampTruncate(0.349 * r + 0.686 * g + 0.168 * b);
        const uint8_t b2 = clampTruncate(0.272 * r + 0.534 * g + 0.131 * b);
        dst[4 * i] = b2;
        dst[4 * i + 1] = g2;
        dst[4 * i + 2] = r2;
        dst[4 * i + 3] = 0;
    }
    zeroTail(dst, length);
}

void ColorFilters::inverse(const uint8_t* src, uint8_t* dst, size_t length) {
    const size_t n = length / 4;
    for (size_t i = 0; i < n; ++i) {
        uint32_t w;
        std::memcpy(&w, src + 4 * i, 4);
        w = ~w & 0x00FFFFFFu;  // bytes 0..2 complemented, byte 3 cleared (little-endian word)
        std::memcpy(dst + 4 * i, &w, 4);
    }
    zeroTail(dst, length);
}

void ColorFilters::singleColor(const uint8_t* src, uint8_t* dst, size_t length, size_t rowStep, int color) {
    const size_t n = length / 4;
    switch (color) {
        case Red: singleColorImpl<keepsRed>(src, dst, n, rowStep); break;
        case Green: singleColorImpl<keepsGreen>(src, dst, n, rowStep); break;
        default: singleColorImpl<keepsBlue>(src, dst, n, rowStep); break;
    }
    zeroTail(dst, length);
}

ImageRef ColorFilters::sephiaTransform(const ImageRef& image) {
    return filtered(image, [](const uint8_t* s, uint8_t* d, size_t len, size_t) { sepia(s, d, len); });
}

ImageRef ColorFilters::inverseTransform(const ImageRef& image) {
    return filtered(image, [](const uint8_t* s, uint8_t* d, size_t len, size_t) { inverse(s, d, len); });
}

ImageRef ColorFilters::singleColorFilter(const ImageRef& image, int color) {
    return filtered(image, [color](const uint8_t* s, uint8_t* d, size_t len, size_t row) {
        singleColor(s, d, len, row, color);
    });
}

}  // namespace kestrova
