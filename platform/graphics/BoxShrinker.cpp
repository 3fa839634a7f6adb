#include "platform/graphics/BoxShrinker.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace platform {
namespace {

// Vertical weights in 128ths keep the intermediate row within a signed 16-bit value (255 * 128),
// which the horizontal pass multiplies by weights in 256ths: 2^15 in all.
constexpr int kVerticalOne = 128;
constexpr int kHorizontalOne = 256;
constexpr int kShift = 15;

// For each output pixel of one axis, the source pixels it covers and their weights. Every output
// gets `stride` taps (unused ones weigh 0) that stay inside the source.
struct Taps {
    std::vector<int> first;
    std::vector<int16_t> weight;  // `stride` entries an output pixel
    int stride = 0;
#if defined(__SSE2__)
    // Horizontal taps of 4-byte pixels: each pair of weights ready for pmaddwd.
    struct alignas(16) Pair {
        int32_t lanes[4];
    };
    std::vector<Pair> pairs;
#endif

    // Outputs [from, to) of an n -> m shrink. Output i covers [i n, (i + 1) n) in units of 1/m of
    // a source pixel; weights come from rounding the running share, so they sum to exactly `one`.
    Taps(int n, int m, int from, int to, int one, int padTo) {
        stride = std::min(n, (n + m - 1) / m + 1);
        stride = (stride + padTo - 1) / padTo * padTo;
        const size_t k = size_t(to - from);
        first.resize(k);
        weight.assign(k * size_t(stride), 0);
        for (int i = from; i < to; ++i) {
            const int64_t a = int64_t(i) * n, b = a + n;
            const int j0 = int(a / m), j1 = int((b + m - 1) / m);
            // A window that would run past the end starts earlier, its first weights 0.
            const int f = std::max(0, std::min(j0, n - stride));
            const size_t o = size_t(i - from);
            first[o] = f;
            int64_t prev = 0;
            for (int j = j0; j < j1; ++j) {
                const int64_t end = std::min(b, int64_t(j + 1) * m) - a;
                const int64_t cum = (end * one + n / 2) / n;
                weight[o * stride + size_t(j - f)] = int16_t(cum - prev);
                prev = cum;
            }
        }
    }

    void pairWeights() {
#if defined(__SSE2__)
        pairs.resize(weight.size() / 2);
        for (size_t t = 0; t < pairs.size(); ++t) {
            const int32_t both = int32_t(uint16_t(weight[2 * t])) | int32_t(uint32_t(uint16_t(weight[2 * t + 1])) << 16);
            pairs[t] = Pair{{both, both, both, both}};
        }
#endif
    }
};

// One output row of 4-byte pixels from the vertically filtered row `a` (starting at column c0).
// S > 0: the taps an output, fixed so the loop unrolls.
template <int S>
void filterRow4(const int16_t* a, int c0, const Taps& xs, uint8_t* out, int width) {
    const int16_t* w = xs.weight.data();
    const int* first = xs.first.data();
    const int stride = S > 0 ? S : xs.stride;
#if defined(__SSE2__)
    // Two taps at a time: their channels interleaved, multiplied and summed in pairs.
    const __m128i round = _mm_set1_epi32(1 << (kShift - 1));
    (void)w;
    const Taps::Pair* wp = xs.pairs.data();
    auto pixel = [&](int x) {
        const int16_t* p = a + size_t(first[x] - c0) * 4;
        const Taps::Pair* wx = wp + size_t(x) * size_t(stride / 2);
        __m128i s = round;
        for (int t = 0; t < stride; t += 2) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + t * 4));
            const __m128i pairs = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
            s = _mm_add_epi32(s, _mm_madd_epi16(pairs, _mm_load_si128(reinterpret_cast<const __m128i*>(wx + t / 2))));
        }
        return _mm_srai_epi32(s, kShift);
    };
    // Two output pixels share the packing down to bytes and one store.
    int x = 0;
    for (; x + 1 < width; x += 2) {
        const __m128i both = _mm_packs_epi32(pixel(x), pixel(x + 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + size_t(x) * 4), _mm_packus_epi16(both, both));
    }
    if (x < width) {
        __m128i s = pixel(x);
        s = _mm_packs_epi32(s, s);
        _mm_storeu_si32(out + size_t(x) * 4, _mm_packus_epi16(s, s));
    }
#else
    for (int x = 0; x < width; ++x, w += stride) {
        const int16_t* p = a + size_t(first[x] - c0) * 4;
        int32_t s[4] = {};
        for (int t = 0; t < stride; ++t)
            for (int c = 0; c < 4; ++c) s[c] += int32_t(p[t * 4 + c]) * w[t];
        for (int c = 0; c < 4; ++c) out[size_t(x) * 4 + c] = uint8_t((s[c] + (1 << (kShift - 1))) >> kShift);
    }
#endif
}

void filterRow1(const int16_t* a, int c0, const Taps& xs, uint8_t* out, int width) {
    const int16_t* w = xs.weight.data();
    const int* first = xs.first.data();
    const int stride = xs.stride;
    for (int x = 0; x < width; ++x, w += stride) {
        const int16_t* p = a + (first[x] - c0);
        int32_t s = 0;
        for (int t = 0; t < stride; ++t) s += int32_t(p[t]) * w[t];
        out[x] = uint8_t((s + (1 << (kShift - 1))) >> kShift);
    }
}

// One source row's worth of the vertical filter for output row `o` into `a` (n values).
template <int C>
inline __attribute__((always_inline)) void filterColumns(const uint8_t* src, int srcStride, const Taps& ys, size_t o,
                                                         int c0, size_t n, int16_t* a) {
    const int16_t* wy = &ys.weight[o * ys.stride];
    const uint8_t* row = src + size_t(ys.first[o]) * srcStride + size_t(c0) * C;
    {
        const int16_t w = wy[0];
        for (size_t k = 0; k < n; ++k) a[k] = int16_t(row[k] * w);
    }
    for (int t = 1; t < ys.stride; ++t) {
        const int16_t w = wy[t];
        row += srcStride;
        if (w == 0) continue;
        for (size_t k = 0; k < n; ++k) a[k] = int16_t(a[k] + row[k] * w);
    }
}

// Only the source columns the clip reaches are filtered vertically; the row has room for the
// widest tap window (padded taps read zeros at worst). Returns the first such column.
int prepareColumns(int sw, const Taps& xs, int C, std::vector<int16_t>& acc, size_t& n) {
    const int c0 = xs.first.front(), c1 = std::min(sw, xs.first.back() + xs.stride);
    n = size_t(c1 - c0) * size_t(C);
    // Zeroed once a plan: the vertical pass rewrites [0, n) for every row and never the padding.
    const size_t size = n + size_t(xs.stride + 2) * size_t(C);
    if (acc.size() != size) acc.assign(size, 0);
    return c0;
}

template <int C>
void run(const uint8_t* src, int srcStride, int sw, uint8_t* dstOrigin, int dstStride, const Taps& xs, const Taps& ys,
         int ysFirst, std::vector<int16_t>& acc, int clipX, int clipY, int clipW, int clipH) {
    size_t n = 0;
    const int c0 = prepareColumns(sw, xs, C, acc, n);
    int16_t* a = acc.data();
    for (int y = 0; y < clipH; ++y) {
        filterColumns<C>(src, srcStride, ys, size_t(clipY + y - ysFirst), c0, n, a);
        uint8_t* out = dstOrigin + size_t(clipY + y) * dstStride + size_t(clipX) * C;
        if constexpr (C == 4) {
            if (xs.stride == 2) filterRow4<2>(a, c0, xs, out, clipW);
            else if (xs.stride == 4) filterRow4<4>(a, c0, xs, out, clipW);
            else filterRow4<0>(a, c0, xs, out, clipW);
        } else {
            filterRow1(a, c0, xs, out, clipW);
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KESTROVA_BOX_WIDE 1
// The same on AVX2 for 4-byte pixels, chosen at run time: the vertical loops twice as wide, and
// two output pixels a register horizontally. Integer sums in the same order: the same bytes.
#pragma GCC diagnostic ignored "-Wpsabi"  // internal and inlined: the AVX argument ABI is moot

// Output pixels x0 and x1 (before the shift to bytes) in the low and high halves.
__attribute__((target("avx2"), always_inline)) inline __m256i twoPixels(const int16_t* a, int c0, const int* first,
                                                                       const Taps::Pair* wp, int stride, int x0,
                                                                       int x1) {
    const int16_t* p0 = a + size_t(first[x0] - c0) * 4;
    const int16_t* p1 = a + size_t(first[x1] - c0) * 4;
    const Taps::Pair* w0 = wp + size_t(x0) * size_t(stride / 2);
    const Taps::Pair* w1 = wp + size_t(x1) * size_t(stride / 2);
    __m256i s = _mm256_set1_epi32(1 << (kShift - 1));
    for (int t = 0; t < stride; t += 2) {
        const __m256i v = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p1 + t * 4),
                                              reinterpret_cast<const __m128i*>(p0 + t * 4));
        const __m256i pairs = _mm256_unpacklo_epi16(v, _mm256_srli_si256(v, 8));
        const __m256i w = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(w1 + t / 2),
                                              reinterpret_cast<const __m128i*>(w0 + t / 2));
        s = _mm256_add_epi32(s, _mm256_madd_epi16(pairs, w));
    }
    return _mm256_srai_epi32(s, kShift);
}

template <int S>
__attribute__((target("avx2"), always_inline)) inline void filterRow4Wide(const int16_t* a, int c0, const Taps& xs,
                                                                          uint8_t* out, int width) {
    const Taps::Pair* wp = xs.pairs.data();
    const int* first = xs.first.data();
    const int stride = S > 0 ? S : xs.stride;
    const size_t pairsPerPixel = size_t(stride / 2);
    int x = 0;
    for (; x + 3 < width; x += 4) {
        // Halves (x, x + 2) and (x + 1, x + 3) pack to x, x + 1 | x + 2, x + 3.
        const __m256i words = _mm256_packs_epi32(twoPixels(a, c0, first, wp, stride, x, x + 2),
                                                 twoPixels(a, c0, first, wp, stride, x + 1, x + 3));
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + size_t(x) * 4), _mm256_castsi256_si128(bytes));
    }
    for (; x < width; ++x) {
        const int16_t* p = a + size_t(first[x] - c0) * 4;
        const Taps::Pair* wx = wp + size_t(x) * pairsPerPixel;
        __m128i s = _mm_set1_epi32(1 << (kShift - 1));
        for (int t = 0; t < stride; t += 2) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + t * 4));
            const __m128i pairs = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
            s = _mm_add_epi32(s, _mm_madd_epi16(pairs, _mm_load_si128(reinterpret_cast<const __m128i*>(wx + t / 2))));
        }
        s = _mm_srai_epi32(s, kShift);
        s = _mm_packs_epi32(s, s);
        _mm_storeu_si32(out + size_t(x) * 4, _mm_packus_epi16(s, s));
    }
}

__attribute__((target("avx2"))) void run4Wide(const uint8_t* src, int srcStride, int sw, uint8_t* dstOrigin,
                                              int dstStride, const Taps& xs, const Taps& ys, int ysFirst,
                                              std::vector<int16_t>& acc, int clipX, int clipY, int clipW, int clipH) {
    size_t n = 0;
    const int c0 = prepareColumns(sw, xs, 4, acc, n);
    int16_t* a = acc.data();
    for (int y = 0; y < clipH; ++y) {
        filterColumns<4>(src, srcStride, ys, size_t(clipY + y - ysFirst), c0, n, a);
        uint8_t* out = dstOrigin + size_t(clipY + y) * dstStride + size_t(clipX) * 4;
        if (xs.stride == 2) filterRow4Wide<2>(a, c0, xs, out, clipW);
        else if (xs.stride == 4) filterRow4Wide<4>(a, c0, xs, out, clipW);
        else filterRow4Wide<0>(a, c0, xs, out, clipW);
    }
}

std::atomic<bool> gPortable{false};

bool wide() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported && !gPortable.load(std::memory_order_relaxed);
}
#else
#define KESTROVA_BOX_WIDE 0
#endif

bool checked(int sw, int sh, int dw, int dh, int channels) {
    return (channels == 1 || channels == 4) && dw > 0 && dh > 0 && dw <= sw && dh <= sh;
}

}  // namespace

struct BoxShrinker::Plan {
    int sw, sh, dw, dh, channels;
    Taps xs, ys;
    std::vector<int16_t> acc;
    Plan(int sw_, int sh_, int dw_, int dh_, int channels_, int clipX, int clipY, int clipW, int clipH)
        : sw(sw_),
          sh(sh_),
          dw(dw_),
          dh(dh_),
          channels(channels_),
          xs(sw_, dw_, clipX, clipX + clipW, kHorizontalOne, 2),
          ys(sh_, dh_, clipY, clipY + clipH, kVerticalOne, 1) {
        if (channels == 4) xs.pairWeights();
    }
    void run(const uint8_t* src, int srcStride, uint8_t* dstOrigin, int dstStride, int ysFirst, int clipX, int clipY,
             int clipW, int clipH) {
#if KESTROVA_BOX_WIDE
        if (channels == 4 && wide())
            return run4Wide(src, srcStride, sw, dstOrigin, dstStride, xs, ys, ysFirst, acc, clipX, clipY, clipW, clipH);
#endif
        if (channels == 4) ::platform::run<4>(src, srcStride, sw, dstOrigin, dstStride, xs, ys, ysFirst, acc, clipX, clipY, clipW, clipH);
        else ::platform::run<1>(src, srcStride, sw, dstOrigin, dstStride, xs, ys, ysFirst, acc, clipX, clipY, clipW, clipH);
    }
};

void BoxShrinker::usePortableCode(bool portable) {
#if KESTROVA_BOX_WIDE
    gPortable.store(portable, std::memory_order_relaxed);
#else
    (void)portable;
#endif
}

BoxShrinker::BoxShrinker(std::unique_ptr<Plan> plan) : plan_(std::move(plan)) {}
BoxShrinker::~BoxShrinker() = default;

std::unique_ptr<BoxShrinker> BoxShrinker::create(int sw, int sh, int dw, int dh, int channels) {
    if (!checked(sw, sh, dw, dh, channels)) return nullptr;
    try {
        return std::unique_ptr<BoxShrinker>(new BoxShrinker(std::make_unique<Plan>(sw, sh, dw, dh, channels, 0, 0, dw, dh)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool BoxShrinker::shrinks(int sw, int sh, int dw, int dh) const {
    return plan_->sw == sw && plan_->sh == sh && plan_->dw == dw && plan_->dh == dh;
}

bool BoxShrinker::rows(const uint8_t* src, int srcStride, uint8_t* dstOrigin, int dstStride, int firstRow, int rowCount) {
    if (!src || !dstOrigin || firstRow < 0 || rowCount <= 0 || firstRow + rowCount > plan_->dh) return false;
    try {
        plan_->run(src, srcStride, dstOrigin, dstStride, 0, 0, firstRow, plan_->dw, rowCount);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool BoxShrinker::shrink(const uint8_t* src, int srcStride, int sw, int sh, uint8_t* dstOrigin, int dstStride, int dw,
                         int dh, int clipX, int clipY, int clipW, int clipH, int channels) {
    if (!src || !dstOrigin || !checked(sw, sh, dw, dh, channels)) return false;
    if (clipW <= 0 || clipH <= 0) return false;
    if (clipX < 0 || clipY < 0 || clipX + clipW > dw || clipY + clipH > dh) return false;
    try {
        Plan plan(sw, sh, dw, dh, channels, clipX, clipY, clipW, clipH);
        plan.run(src, srcStride, dstOrigin, dstStride, clipY, clipX, clipY, clipW, clipH);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace platform
