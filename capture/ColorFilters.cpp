#include "capture/ColorFilters.h"

#include "capture/SepiaShortfalls.h"
#include "platform/graphics/PixelBufferPool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace kestrova {

using platform::Image;
using platform::ImageRef;

// The kernels are written on GCC vector types of eight 32-bit lanes (one pixel a lane) and built
// twice: for the x86-64 baseline (two SSE2 halves) and for AVX2, chosen once at run time; sepia
// has its own AVX2 form on byte and 16-bit products.
#if defined(__x86_64__) && defined(__GNUC__)
#define KESTROVA_WIDE_VECTORS 1
#define KESTROVA_WIDE __attribute__((target("avx2,fma")))
#else
#define KESTROVA_WIDE_VECTORS 0
#define KESTROVA_WIDE
#endif

namespace {

// The vector helpers are internal and inlined: the note about their ABI without AVX is moot.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef uint32_t U32x8 __attribute__((vector_size(32)));
typedef int32_t I32x8 __attribute__((vector_size(32)));
typedef float F32x8 __attribute__((vector_size(32)));
constexpr size_t kLanes = 8;

#define KESTROVA_INLINE inline __attribute__((always_inline))

KESTROVA_INLINE U32x8 load8(const uint8_t* p) {
    U32x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
KESTROVA_INLINE void store8(uint8_t* p, const U32x8& v) { std::memcpy(p, &v, sizeof v); }
KESTROVA_INLINE bool any(const I32x8& m) {
    I32x8 z = m != 0;
    int64_t a[4];
    std::memcpy(a, &z, sizeof a);
    return (a[0] | a[1] | a[2] | a[3]) != 0;
}

// --- Sepia -------------------------------------------------------------------------------------
// In whole numbers: each channel is q / 1000 with q = 393 R + 769 G + 189 B (and the other two
// rows), limited to 255. Where q is a multiple of 1000 the formula's double sum may land just
// below the whole number; those lanes are looked up in SepiaShortfalls, which knows the colours
// that do.

// q / 1000 for 0 <= q < 2^20 through single precision: (q + 0.5) / 1000 is at least 0.0005 from a
// whole number, far more than the float error (below 0.00005 at these sizes). `exact` gets the
// lanes where q is a nonzero multiple of 1000 whose quotient is not above the limit.
KESTROVA_INLINE I32x8 thousandths(const I32x8& q, I32x8& exact) {
    const F32x8 t = (__builtin_convertvector(q, F32x8) + 0.5f) * 0.001f;
    const I32x8 k = __builtin_convertvector(t, I32x8);
    exact |= (k * 1000 == q) & (q != 0) & (k <= 255);
    return k > 255 ? 255 : k;
}

KESTROVA_INLINE void sepiaKernel(const uint8_t* src, uint8_t* dst, size_t n) {
    const SepiaShortfalls& shortfalls = SepiaShortfalls::table();
    size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const U32x8 w = load8(src + 4 * i);
        const I32x8 b = I32x8(w & 0xFF), g = I32x8((w >> 8) & 0xFF), r = I32x8((w >> 16) & 0xFF);
        I32x8 exact = {};
        const I32x8 r2 = thousandths(393 * r + 769 * g + 189 * b, exact);
        const I32x8 g2 = thousandths(349 * r + 686 * g + 168 * b, exact);
        const I32x8 b2 = thousandths(272 * r + 534 * g + 131 * b, exact);
        U32x8 out = U32x8(r2 << 16 | g2 << 8 | b2);
        if (__builtin_expect(any(exact), 0)) {
            uint32_t lanes[kLanes], words[kLanes];
            std::memcpy(lanes, &exact, sizeof lanes);
            std::memcpy(words, &w, sizeof words);
            for (size_t k = 0; k < kLanes; ++k)
                if (lanes[k]) out[k] -= shortfalls.of(words[k] & 0x00FFFFFFu);
        }
        store8(dst + 4 * i, out);
    }
    for (; i < n; ++i) {
        uint32_t w;
        std::memcpy(&w, src + 4 * i, 4);
        w &= 0x00FFFFFFu;
        w = SepiaShortfalls::wholeQuotients(w) - shortfalls.of(w);
        std::memcpy(dst + 4 * i, &w, 4);
    }
}

// --- Negative ----------------------------------------------------------------------------------

KESTROVA_INLINE void inverseKernel(const uint8_t* src, uint8_t* dst, size_t n) {
    size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) store8(dst + 4 * i, ~load8(src + 4 * i) & 0x00FFFFFFu);
    for (; i < n; ++i) {
        uint32_t w;
        std::memcpy(&w, src + 4 * i, 4);
        w = ~w & 0x00FFFFFFu;  // bytes 0..2 complemented, byte 3 cleared (little-endian word)
        std::memcpy(dst + 4 * i, &w, 4);
    }
}

// --- Single colour -----------------------------------------------------------------------------
// Neighbourhood sums are at most 2550 a channel, so blue and red add up side by side in the two
// halves of a 32-bit lane (w & 0x00FF00FF) and green in a lane of its own. The keep tests compare
// whole numbers with products by 1.3, 1.4 and 1.5 in double; scaled to whole factors they
// become integer comparisons, which can differ only where the scaled sides are equal. The
// filter tests check every sum: 1.5 is exact, and the double 1.3 (SB + SG) and 1.3 SR + 1.3 SB
// never cross a whole number, but 1.4 SG does (70 pairs such as SR 63, SG 45 keep in double),
// so lanes with 5 SR = 7 SG are decided in double.

inline bool keepsRed(int sr, int sg, int sb) {
    return (sr > 900 && sr > 1.5 * sb && sr > 1.4 * sg) || sr > 1.3 * (sb + sg);
}
inline bool keepsGreen(int sr, int sg, int sb) { return 2 * sg > 1.3 * sr + 1.3 * sb; }
inline bool keepsBlue(int sr, int sg, int sb) { return 2 * sb > sg + sr + 7; }

inline uint32_t greyWord(uint32_t w) {
    const uint32_t y = (66 * ((w >> 16) & 0xFF) + 129 * ((w >> 8) & 0xFF) + 25 * (w & 0xFF) + 128) >> 8;
    return y * 0x010101u;
}

// Output pixels [0, count) whose centres start at `centre`; neighbours reach rowStep + 1 pixels
// either way. `vbr` and `vg` are scratch of at least min(count, kChunk) + 2 lanes.
constexpr size_t kChunk = 1024;

template <int Color>
__attribute__((noinline)) void singleColorScalar(const uint8_t* centre, uint8_t* dst, size_t count, size_t s) {
    auto ch = [&](ptrdiff_t i, int c) { return int(centre[4 * i + c]); };
    const ptrdiff_t S = ptrdiff_t(s);
    for (ptrdiff_t i = 0; i < ptrdiff_t(count); ++i) {
        int sum[3];
        for (int c = 0; c < 3; ++c)
            sum[c] = ch(i - S - 1, c) + ch(i - S, c) + ch(i - S + 1, c) + ch(i - 1, c) + 2 * ch(i, c) + ch(i + 1, c) +
                     ch(i + S - 1, c) + ch(i + S, c) + ch(i + S + 1, c);
        uint32_t w;
        std::memcpy(&w, centre + 4 * i, 4);
        const bool keep = Color == 0 ? keepsRed(sum[2], sum[1], sum[0])
                          : Color == 1 ? keepsGreen(sum[2], sum[1], sum[0])
                                       : keepsBlue(sum[2], sum[1], sum[0]);
        w = keep ? (w & 0x00FFFFFFu) : greyWord(w);
        std::memcpy(dst + 4 * i, &w, 4);
    }
}

// The grey words of eight pixels: blue and red side by side in each lane times 66 + 25 * 2^16
// leave 25 B + 66 R in the upper half (66 B < 2^16 below it), 129 G is added there as two
// shifts, and the rounded quotient by 256 ends up in the top byte, which a byte shuffle spreads.
typedef uint8_t U8x32 __attribute__((vector_size(32)));
KESTROVA_INLINE U32x8 greyWords(const U32x8& w) {
    const U32x8 g = w & 0xFF00u;
    const U32x8 sum = (w & 0x00FF00FFu) * (66u | 25u << 16) + (g << 15) + (g << 8) + (128u << 16);
    const U8x32 top = {3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15,
                       19, 19, 19, 19, 23, 23, 23, 23, 27, 27, 27, 27, 31, 31, 31, 31};
    return U32x8(__builtin_shuffle(U8x32(sum), top)) & 0x00FFFFFFu;
}

#if KESTROVA_WIDE_VECTORS
// a * (low half) + b * (high half) of each lane: the keep tests' weighted sums on AVX2 as one
// multiply each, instead of the halves' shifts and the constant products' shifts and adds.
KESTROVA_WIDE inline I32x8 weighted(const U32x8& v, short a, short b) {
    __m256i m;
    std::memcpy(&m, &v, sizeof m);
    m = _mm256_madd_epi16(m, _mm256_set1_epi32(int(uint16_t(a)) | int(uint16_t(b)) << 16));
    I32x8 r;
    std::memcpy(&r, &m, sizeof r);
    return r;
}
#endif

template <int Color, bool Wide = false>
KESTROVA_INLINE void singleColorKernel(const uint8_t* centre, uint8_t* dst, size_t count, size_t s) {
    alignas(32) uint32_t vbr[kChunk + 2 + kLanes], vg[kChunk + 2 + kLanes];
    alignas(32) int32_t ties[Color == 0 ? kChunk : 1];
    for (size_t start = 0; start < count; start += kChunk) {
        const size_t m = std::min(kChunk, count - start);
        const size_t whole = m / kLanes * kLanes;
        // Column sums of the three rows for pixels start - 1 .. start + m.
        const uint8_t* up = centre + 4 * (ptrdiff_t(start) - 1 - ptrdiff_t(s));
        const uint8_t* mid = centre + 4 * (ptrdiff_t(start) - 1);
        const uint8_t* down = centre + 4 * (ptrdiff_t(start) - 1 + ptrdiff_t(s));
        size_t k = 0;
        for (; k + kLanes <= m + 2; k += kLanes) {
            const U32x8 a = load8(up + 4 * k), b = load8(mid + 4 * k), c = load8(down + 4 * k);
            const U32x8 br = (a & 0x00FF00FFu) + (b & 0x00FF00FFu) + (c & 0x00FF00FFu);
            const U32x8 g = (a & 0xFF00u) + (b & 0xFF00u) + (c & 0xFF00u);  // times 256: one shift, later
            std::memcpy(vbr + k, &br, sizeof br);
            std::memcpy(vg + k, &g, sizeof g);
        }
        for (; k < m + 2; ++k) {
            uint32_t a, b, c;
            std::memcpy(&a, up + 4 * k, 4);
            std::memcpy(&b, mid + 4 * k, 4);
            std::memcpy(&c, down + 4 * k, 4);
            vbr[k] = (a & 0x00FF00FFu) + (b & 0x00FF00FFu) + (c & 0x00FF00FFu);
            vg[k] = (a & 0xFF00u) + (b & 0xFF00u) + (c & 0xFF00u);
        }
        const uint8_t* p = centre + 4 * start;
        uint8_t* q = dst + 4 * start;
        I32x8 anyTie = {};
        for (size_t i = 0; i < whole; i += kLanes) {
            const U32x8 w = load8(p + 4 * i);
            U32x8 l, c, r, gl, gc, gr;
            std::memcpy(&l, vbr + i, sizeof l);
            std::memcpy(&c, vbr + i + 1, sizeof c);
            std::memcpy(&r, vbr + i + 2, sizeof r);
            std::memcpy(&gl, vg + i, sizeof gl);
            std::memcpy(&gc, vg + i + 1, sizeof gc);
            std::memcpy(&gr, vg + i + 2, sizeof gr);
            const U32x8 br = l + c + r + (w & 0x00FF00FFu);
            const U32x8 g = (gl + gc + gr + (w & 0xFF00u)) >> 8;
            I32x8 keep;
#if KESTROVA_WIDE_VECTORS
            if constexpr (Wide && Color == 0) {
                // br holds SB in its low and SR in its high half; SR > 900 is br > 901 * 2^16 - 1.
                const I32x8 over = I32x8(br) > 901 * 65536 - 1;
                const I32x8 sr5 = weighted(br, 0, 5), sg7 = weighted(g, 7, 0);
                keep = (over & (weighted(br, -3, 2) > 0) & (sr5 > sg7)) | (weighted(br, -13, 10) > weighted(g, 13, 0));
                const I32x8 tie = (sr5 == sg7) & over;
                std::memcpy(ties + i, &tie, sizeof tie);
                anyTie |= tie;
                store8(q + 4 * i, keep ? (w & 0x00FFFFFFu) : greyWords(w));
                continue;
            }
#endif
            const I32x8 sb = I32x8(br & 0xFFFFu), sr = I32x8(br >> 16);
            const I32x8 sg = I32x8(g);
            if constexpr (Color == 0) {
                keep = ((sr > 900) & (2 * sr > 3 * sb) & (5 * sr > 7 * sg)) | (10 * sr > 13 * (sb + sg));
            } else if constexpr (Color == 1) {
                keep = 20 * sg > 13 * (sr + sb);
            } else {
                keep = 2 * sb > sg + sr + 7;
            }
            if constexpr (Color == 0) {
                const I32x8 tie = (5 * sr == 7 * sg) & (sr > 900);
                std::memcpy(ties + i, &tie, sizeof tie);
                anyTie |= tie;
            }
            store8(q + 4 * i, keep ? (w & 0x00FFFFFFu) : greyWords(w));
        }
        // Ties are decided in double by the plain code, after the loop: testing each group there
        // costs more than the rare ties.
        if constexpr (Color == 0) {
            if (__builtin_expect(any(anyTie), 0)) {
                for (size_t i = 0; i < whole; ++i)
                    if (ties[i]) singleColorScalar<Color>(p + 4 * i, q + 4 * i, 1, s);
            }
        }
        if (whole < m) singleColorScalar<Color>(p + 4 * whole, q + 4 * whole, m - whole, s);
    }
}

#if KESTROVA_WIDE_VECTORS
// Sepia on AVX2, sixteen pixels a step. The sums come from byte products: with each pixel's bytes
// spread to B, G, R, G, one multiply-add of unsigned bytes by signed ones gives two 16-bit partial
// sums a pixel and one of 16-bit words gives q, the weights split so that every factor fits:
//   393 R + 769 G + 189 B = 7 (27 B + 35 G) + 131 (3 R + 4 G)
//   349 R + 686 G + 168 B = 14 (12 B + 49 G) + 349 R
//   272 R + 534 G + 131 B = 131 (B + 2 G) + 8 (34 R + 34 G)
// The quotients are kept in 16-bit halves, blue and green side by side in each 32-bit lane (red of
// both groups of eight in one register): q < 2^19, so q / 8 fits 16 bits, and (q / 8 * 33555) >> 22
// is q / 1000 for every q / 8 below 59074; a saturating pack to bytes applies the 255 limit.
// Multiples of 1000 are found on the low 16 bits: q - 1000 k lies in [0, 1000), so q == 1000 k
// exactly when their low halves agree. The step only notes which groups have one; the few lanes
// are looked up afterwards, once a stretch of groups is written, as a branch taken at random in
// the step itself would cost far more than the lookups.
constexpr size_t kSepiaGroups = 64;  // groups of 16 pixels a stretch

// Corrects in `out` the pixels of one group of 16 whose colours in `in` fall short. `hits` marks
// the lanes with a sum that is a multiple of 1000, a nibble for pixels j and j + 8 (black has every
// sum 0).
KESTROVA_WIDE inline void correctShortfalls(const SepiaShortfalls& shortfalls, const uint8_t* in, uint8_t* out,
                                            uint32_t hits, uint32_t& lastColour, uint32_t& lastLower) {
    auto lower = [&](size_t lane, uint32_t by) {
        if (__builtin_expect(by == 0, 1)) return;
        uint32_t w;
        std::memcpy(&w, out + 4 * lane, 4);
        w -= by;
        std::memcpy(out + 4 * lane, &w, 4);
    };
    auto colour = [&](size_t lane) {
        uint32_t w;
        std::memcpy(&w, in + 4 * lane, 4);
        return w & 0x00FFFFFFu;
    };
    if (__builtin_popcount(hits) <= 8) {
        do {
            const size_t j = size_t(__builtin_ctz(hits)) / 4;
            hits &= ~(0xFu << (4 * j));
            lower(j, shortfalls.of(colour(j)));
            lower(j + 8, shortfalls.of(colour(j + 8)));
        } while (hits);
        return;
    }
    // Many lanes: a stretch of black, or of one colour, is the likely cause. Black never falls short,
    // and a run of one colour is looked up once (`lastColour` carries over from group to group).
    const __m256i rgb = _mm256_set1_epi32(0x00FFFFFF), last = _mm256_set1_epi32(int(lastColour));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32));
    if (_mm256_testz_si256(_mm256_or_si256(a, b), rgb)) return;
    if (_mm256_testz_si256(_mm256_or_si256(_mm256_xor_si256(a, last), _mm256_xor_si256(b, last)), rgb)) {
        if (lastLower == 0) return;
        for (size_t half = 0; half < 2; ++half) {
            __m256i* o = reinterpret_cast<__m256i*>(out + 32 * half);
            _mm256_storeu_si256(o, _mm256_sub_epi32(_mm256_loadu_si256(o), _mm256_set1_epi32(int(lastLower))));
        }
        return;
    }
    uint32_t seen = lastColour, by = lastLower;
    for (size_t j = 0; j < 16; ++j) {
        const uint32_t c = colour(j);
        if (c != seen) {
            seen = c;
            by = shortfalls.of(c);
        }
        lower(j, by);
    }
    lastColour = seen;
    lastLower = by;
}

KESTROVA_WIDE void sepiaWide(const uint8_t* src, uint8_t* dst, size_t n) {
    // Bytes B, G, R, X of each pixel to B, G, R, G: the pairs (B, G) and (R, G).
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, 1, 4, 5, 6, 5, 8, 9, 10, 9, 12, 13, 14, 13, 0, 1, 2, 1, 4, 5, 6, 5,
                                            8, 9, 10, 9, 12, 13, 14, 13);
    const __m256i rBytes = _mm256_set1_epi32(27 | 35 << 8 | 3 << 16 | 4 << 24);
    const __m256i gBytes = _mm256_set1_epi32(12 | 49 << 8 | 1 << 16);
    const __m256i bBytes = _mm256_set1_epi32(1 | 2 << 8 | 34 << 16 | 34 << 24);
    const __m256i rWords = _mm256_set1_epi32(7 | 131 << 16), gWords = _mm256_set1_epi32(14 | 349 << 16),
                  bWords = _mm256_set1_epi32(131 | 8 << 16);
    const __m256i divide = _mm256_set1_epi16(short(33555));
    __m256i thousand = _mm256_set1_epi16(1000);
    // Opaque to the compiler, which would otherwise turn the one multiply into five shifts and adds.
    __asm__("" : "+x"(thousand));
    // Bytes B0 G0 B1 G1 B2 G2 B3 G3 R0 R0' R1 R1' R2 R2' R3 R3' (a 128-bit lane; R' the second group's)
    // to B0 G0 R0 0 B1 G1 R1 0 ..., and the same with R'.
    const __m256i order = _mm256_setr_epi8(0, 1, 8, -1, 2, 3, 10, -1, 4, 5, 12, -1, 6, 7, 14, -1, 0, 1, 8, -1, 2, 3,
                                           10, -1, 4, 5, 12, -1, 6, 7, 14, -1);
    const __m256i orderHigh = _mm256_setr_epi8(0, 1, 9, -1, 2, 3, 11, -1, 4, 5, 13, -1, 6, 7, 15, -1, 0, 1, 9, -1, 2, 3,
                                               11, -1, 4, 5, 13, -1, 6, 7, 15, -1);
    const SepiaShortfalls& shortfalls = SepiaShortfalls::table();
    uint32_t lastColour = 0, lastLower = 0;
    // In place (or overlapping), a stretch is written to `scratch` first: the lookups read the source.
    const uintptr_t from = reinterpret_cast<uintptr_t>(src), to = reinterpret_cast<uintptr_t>(dst);
    const bool overlap = from < to + 4 * n && to < from + 4 * n;
    alignas(32) uint8_t scratch[64 * kSepiaGroups];
    uint32_t hits[kSepiaGroups];
    const size_t whole = n / 16 * 16;
    for (size_t first = 0; first < whole; first += 16 * kSepiaGroups) {
        const size_t groups = std::min(kSepiaGroups, (whole - first) / 16);
        const uint8_t* in = src + 4 * first;
        uint8_t* out = overlap ? scratch : dst + 4 * first;
        uint64_t hitGroups = 0;  // a bit a group, the last one lowest
        for (size_t g = 0; g < groups; ++g) {
            const __m256i* p = reinterpret_cast<const __m256i*>(in + 64 * g);
            const __m256i w0 = _mm256_shuffle_epi8(_mm256_loadu_si256(p), spread);
            const __m256i w1 = _mm256_shuffle_epi8(_mm256_loadu_si256(p + 1), spread);
            const __m256i qr0 = _mm256_madd_epi16(_mm256_maddubs_epi16(w0, rBytes), rWords);
            const __m256i qg0 = _mm256_madd_epi16(_mm256_maddubs_epi16(w0, gBytes), gWords);
            const __m256i qb0 = _mm256_madd_epi16(_mm256_maddubs_epi16(w0, bBytes), bWords);
            const __m256i qr1 = _mm256_madd_epi16(_mm256_maddubs_epi16(w1, rBytes), rWords);
            const __m256i qg1 = _mm256_madd_epi16(_mm256_maddubs_epi16(w1, gBytes), gWords);
            const __m256i qb1 = _mm256_madd_epi16(_mm256_maddubs_epi16(w1, bBytes), bWords);
            const __m256i kBG0 = _mm256_srli_epi16(
                _mm256_mulhi_epu16(_mm256_blend_epi16(_mm256_srli_epi32(qb0, 3), _mm256_slli_epi32(qg0, 13), 0xAA), divide), 6);
            const __m256i kBG1 = _mm256_srli_epi16(
                _mm256_mulhi_epu16(_mm256_blend_epi16(_mm256_srli_epi32(qb1, 3), _mm256_slli_epi32(qg1, 13), 0xAA), divide), 6);
            const __m256i kR = _mm256_srli_epi16(
                _mm256_mulhi_epu16(_mm256_blend_epi16(_mm256_srli_epi32(qr0, 3), _mm256_slli_epi32(qr1, 13), 0xAA), divide), 6);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64 * g),
                                _mm256_shuffle_epi8(_mm256_packus_epi16(kBG0, kR), order));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64 * g + 32),
                                _mm256_shuffle_epi8(_mm256_packus_epi16(kBG1, kR), orderHigh));
            const __m256i lowBG0 = _mm256_blend_epi16(qb0, _mm256_slli_epi32(qg0, 16), 0xAA);
            const __m256i lowBG1 = _mm256_blend_epi16(qb1, _mm256_slli_epi32(qg1, 16), 0xAA);
            const __m256i lowR = _mm256_blend_epi16(qr0, _mm256_slli_epi32(qr1, 16), 0xAA);
            const __m256i equalBG0 = _mm256_cmpeq_epi16(_mm256_mullo_epi16(kBG0, thousand), lowBG0);
            const __m256i equalBG1 = _mm256_cmpeq_epi16(_mm256_mullo_epi16(kBG1, thousand), lowBG1);
            const __m256i equalR = _mm256_cmpeq_epi16(_mm256_mullo_epi16(kR, thousand), lowR);
            // Bytes 4j..4j+3 of each mask belong to pixel j (first group) and j + 8 (second).
            const uint32_t h = uint32_t(_mm256_movemask_epi8(equalBG0)) | uint32_t(_mm256_movemask_epi8(equalBG1)) |
                               uint32_t(_mm256_movemask_epi8(equalR));
            hits[g] = h;
            hitGroups = 2 * hitGroups + (h != 0);
        }
        for (; hitGroups; hitGroups &= hitGroups - 1) {
            const size_t g = groups - 1 - size_t(__builtin_ctzll(hitGroups));
            correctShortfalls(shortfalls, in + 64 * g, out + 64 * g, hits[g], lastColour, lastLower);
        }
        if (overlap) std::memcpy(dst + 4 * first, scratch, 64 * groups);
    }
    sepiaKernel(src + 4 * whole, dst + 4 * whole, n - whole);
}

KESTROVA_WIDE void inverseWide(const uint8_t* src, uint8_t* dst, size_t n) { inverseKernel(src, dst, n); }
// Flattened, so the AVX2-only helpers end up inside the AVX2 function.
template <int Color>
KESTROVA_WIDE __attribute__((flatten)) void singleColorWide(const uint8_t* centre, uint8_t* dst, size_t count, size_t s) {
    singleColorKernel<Color, true>(centre, dst, count, s);
}
#endif

void zeroTail(uint8_t* dst, size_t length) {
    size_t whole = length / 4 * 4;
    if (whole < length) std::memset(dst + whole, 0, length - whole);
}

void copyClearingFourth(const uint8_t* src, uint8_t* dst, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t w;
        std::memcpy(&w, src + 4 * i, 4);
        w &= 0x00FFFFFFu;
        std::memcpy(dst + 4 * i, &w, 4);
    }
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

}  // namespace

namespace {

std::atomic<bool> gPortable{false};

bool wide() {
#if KESTROVA_WIDE_VECTORS
    static const bool supported = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return supported && !gPortable.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void sepiaPortable(const uint8_t* src, uint8_t* dst, size_t n) { sepiaKernel(src, dst, n); }
void inversePortable(const uint8_t* src, uint8_t* dst, size_t n) { inverseKernel(src, dst, n); }
template <int Color>
void singleColorPortable(const uint8_t* centre, uint8_t* dst, size_t count, size_t s) {
    singleColorKernel<Color>(centre, dst, count, s);
}

template <int Color>
void singleColorAny(const uint8_t* centre, uint8_t* dst, size_t count, size_t s) {
#if KESTROVA_WIDE_VECTORS
    if (wide()) return singleColorWide<Color>(centre, dst, count, s);
#endif
    singleColorPortable<Color>(centre, dst, count, s);
}

}  // namespace

void ColorFilters::usePortableCode(bool portable) { gPortable.store(portable, std::memory_order_relaxed); }

void ColorFilters::sepia(const uint8_t* src, uint8_t* dst, size_t length) {
#if KESTROVA_WIDE_VECTORS
    if (wide()) sepiaWide(src, dst, length / 4);
    else
#endif
        sepiaPortable(src, dst, length / 4);
    zeroTail(dst, length);
}

void ColorFilters::inverse(const uint8_t* src, uint8_t* dst, size_t length) {
#if KESTROVA_WIDE_VECTORS
    if (wide()) inverseWide(src, dst, length / 4);
    else
#endif
        inversePortable(src, dst, length / 4);
    zeroTail(dst, length);
}

void ColorFilters::singleColorSpan(const uint8_t* centre, uint8_t* dst, size_t count, size_t rowStep, ColorMode color) {
    switch (color) {
        case ColorMode::Red: singleColorAny<0>(centre, dst, count, rowStep); break;
        case ColorMode::Green: singleColorAny<1>(centre, dst, count, rowStep); break;
        default: singleColorAny<2>(centre, dst, count, rowStep); break;
    }
}

void ColorFilters::singleColorBorder(const uint8_t* src, uint8_t* dst, size_t count) {
    copyClearingFourth(src, dst, count);
}

void ColorFilters::singleColor(const uint8_t* src, uint8_t* dst, size_t length, size_t rowStep, ColorMode color) {
    const size_t n = length / 4;
    // Border: the first and last S + 1 pixels keep their bytes.
    const size_t lo = rowStep + 1;
    const size_t hi = n >= rowStep + 1 ? n - rowStep - 1 : 0;  // first border index at the end
    if (lo >= hi) {
        copyClearingFourth(src, dst, n);
    } else {
        copyClearingFourth(src, dst, lo);
        singleColorSpan(src + 4 * lo, dst + 4 * lo, hi - lo, rowStep, color);
        copyClearingFourth(src + 4 * hi, dst + 4 * hi, n - hi);
    }
    zeroTail(dst, length);
}

ImageRef ColorFilters::sephiaTransform(const ImageRef& image) {
    return filtered(image, [](const uint8_t* s, uint8_t* d, size_t len, size_t) { sepia(s, d, len); });
}

ImageRef ColorFilters::inverseTransform(const ImageRef& image) {
    return filtered(image, [](const uint8_t* s, uint8_t* d, size_t len, size_t) { inverse(s, d, len); });
}

ImageRef ColorFilters::singleColorFilter(const ImageRef& image, ColorMode color) {
    return filtered(image, [color](const uint8_t* s, uint8_t* d, size_t len, size_t row) {
        singleColor(s, d, len, row, color);
    });
}

}  // namespace kestrova
