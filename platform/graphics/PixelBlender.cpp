#include "platform/graphics/PixelBlender.h"

#include <algorithm>
#include <cstring>

#include <emmintrin.h>

namespace platform {
namespace {

// x * a / 255, rounded as pixman rounds it.
inline uint32_t mul255(uint32_t x, uint32_t a) {
    const uint32_t t = x * a + 0x80;
    return (t + (t >> 8)) >> 8;
}

uint16_t toShort(double d) {
    d = std::clamp(d, 0.0, 1.0);
    return uint16_t(d * 65535.0 + 0.5);
}

// Two pixels' channels as 16-bit lanes: d * (255 - alpha) / 255 + s, saturated.
inline __m128i overTwo(__m128i d, __m128i s, __m128i inverseAlpha) {
    const __m128i t = _mm_adds_epu16(_mm_mullo_epi16(d, inverseAlpha), _mm_set1_epi16(0x80));
    return _mm_adds_epu8(_mm_mulhi_epu16(t, _mm_set1_epi16(0x101)), s);
}

// Each pixel's alpha in all four of its 16-bit lanes.
inline __m128i alphas(__m128i s) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF); }

// Four source pixels (premultiplied) over four destination pixels.
inline __m128i overFour(__m128i d, __m128i s) {
    const __m128i zero = _mm_setzero_si128(), all = _mm_set1_epi16(0xFF);
    const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
    const __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
    const __m128i lo = overTwo(dlo, slo, _mm_sub_epi16(all, alphas(slo)));
    const __m128i hi = overTwo(dhi, shi, _mm_sub_epi16(all, alphas(shi)));
    return _mm_packus_epi16(lo, hi);
}

// Four source pixels times an opacity: each channel x * m / 255, rounded.
inline __m128i scaleFour(__m128i s, __m128i m) {
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi16(0x80), div = _mm_set1_epi16(0x101);
    __m128i lo = _mm_adds_epu16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), m), round);
    __m128i hi = _mm_adds_epu16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), m), round);
    return _mm_packus_epi16(_mm_mulhi_epu16(lo, div), _mm_mulhi_epu16(hi, div));
}

inline uint32_t overOne(uint32_t d, uint32_t s) {
    const uint32_t ia = 255 - (s >> 24);
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) {
        const uint32_t v = mul255((d >> k) & 0xFF, ia) + ((s >> k) & 0xFF);
        out |= std::min<uint32_t>(v, 255) << k;
    }
    return out;
}

inline uint32_t scaleOne(uint32_t s, uint32_t m) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) out |= mul255((s >> k) & 0xFF, m) << k;
    return out;
}

PixelBox inside(const PixelRows& target, const PixelBox& box) {
    return {std::max(box.x0, 0), std::max(box.y0, 0), std::min(box.x1, target.width), std::min(box.y1, target.height)};
}

}  // namespace

uint32_t PixelBlender::premultiplied(double r, double g, double b, double a) {
    a = std::clamp(a, 0.0, 1.0);
    const uint32_t R = toShort(std::clamp(r, 0.0, 1.0) * a) >> 8, G = toShort(std::clamp(g, 0.0, 1.0) * a) >> 8;
    const uint32_t B = toShort(std::clamp(b, 0.0, 1.0) * a) >> 8, A = toShort(a) >> 8;
    return B | G << 8 | R << 16 | A << 24;
}

uint8_t PixelBlender::opacity(double a) { return uint8_t(toShort(a) >> 8); }

void PixelBlender::fill(const PixelRows& target, const PixelBox& wanted, uint32_t color) {
    const PixelBox box = inside(target, wanted);
    if (box.empty() || !target.pixels) return;
    const __m128i s = _mm_set1_epi32(int(color));
    for (int y = box.y0; y < box.y1; ++y) {
        uint8_t* row = target.pixels + size_t(y) * size_t(target.bytesPerRow) + size_t(box.x0) * 4;
        int x = 0;
        const int n = box.x1 - box.x0;
        for (; x + 4 <= n; x += 4) {
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + size_t(x) * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + size_t(x) * 4), overFour(d, s));
        }
        for (; x < n; ++x) {
            uint32_t d;
            std::memcpy(&d, row + size_t(x) * 4, 4);
            d = overOne(d, color);
            std::memcpy(row + size_t(x) * 4, &d, 4);
        }
    }
}

void PixelBlender::paint(const PixelRows& target, const PixelBox& wanted, const uint8_t* source, int sourceBytesPerRow,
                         bool opaqueSource, uint8_t opacity) {
    const PixelBox box = inside(target, wanted);
    if (box.empty() || !target.pixels || !source) return;
    // The source moves with the box when the box was cut down to the rows.
    source += size_t(box.y0 - wanted.y0) * size_t(sourceBytesPerRow) + size_t(box.x0 - wanted.x0) * 4;
    const int n = box.x1 - box.x0;
    const __m128i opaqueBits = _mm_set1_epi32(opaqueSource ? int(0xFF000000u) : 0);
    const __m128i m = _mm_set1_epi16(opacity);
    const uint32_t opaqueWord = opaqueSource ? 0xFF000000u : 0;
    const __m128i alphaBits = _mm_set1_epi32(int(0xFF000000u));
    for (int y = box.y0; y < box.y1; ++y) {
        uint8_t* row = target.pixels + size_t(y) * size_t(target.bytesPerRow) + size_t(box.x0) * 4;
        const uint8_t* from = source + size_t(y - box.y0) * size_t(sourceBytesPerRow);
        int x = 0;
        for (; x + 4 <= n; x += 4) {
            __m128i s = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + size_t(x) * 4)), opaqueBits);
            if (opacity != 255) s = scaleFour(s, m);
            // Most of an icon's pixels are clear or solid: nothing to work out there.
            const int solid = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(s, alphaBits), alphaBits));
            if ((solid & 0x8888) == 0x8888) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + size_t(x) * 4), s);
                continue;
            }
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_setzero_si128())) == 0xFFFF) continue;
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + size_t(x) * 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + size_t(x) * 4), overFour(d, s));
        }
        for (; x < n; ++x) {
            uint32_t s, d;
            std::memcpy(&s, from + size_t(x) * 4, 4);
            std::memcpy(&d, row + size_t(x) * 4, 4);
            s |= opaqueWord;
            if (opacity != 255) s = scaleOne(s, opacity);
            d = overOne(d, s);
            std::memcpy(row + size_t(x) * 4, &d, 4);
        }
    }
}

}  // namespace platform
