#include "platform/graphics/ImageBlitter.h"

#include "platform/graphics/GraphicsContext.h"

#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KESTROVA_BLIT_WIDE 1
#else
#define KESTROVA_BLIT_WIDE 0
#endif

namespace platform {
namespace {

// The image column under each device column of a picture `dw` pixels wide, kept between calls:
// the live preview asks thirty times a second at the same size, each time for another part of
// the width. Main thread or not, each thread has its own.
struct ColumnMap {
    int64_t imageWidth = -1, deviceWidth = -1;
    std::vector<uint32_t> columns;

    const uint32_t* forSizes(int64_t iw, int64_t dw) {
        if (iw != imageWidth || dw != deviceWidth) {
            columns.resize(size_t(dw));
            for (int64_t x = 0; x < dw; ++x) columns[size_t(x)] = uint32_t(((2 * x + 1) * iw) / (2 * dw));
            imageWidth = iw;
            deviceWidth = dw;
        }
        return columns.data();
    }
};

ColumnMap& columnMap() {
    thread_local ColumnMap map;
    return map;
}

// The image's fourth byte means nothing: the pixels are opaque.
inline uint32_t opaquePixel(const uint8_t* row, int64_t column) {
    uint32_t v;
    std::memcpy(&v, row + size_t(column) * 4, 4);
    return v | 0xFF000000u;
}

// One device row from image row `row`; the first `cw` entries of `columns` say which pixels.
void gatherRow(const uint8_t* row, const uint32_t* columns, uint32_t* out, int cw) {
    for (int x = 0; x < cw; ++x) out[x] = opaquePixel(row, columns[x]);
}

// The same at exactly twice the width: device column `first + x` takes image column (first + x) / 2,
// each image pixel written twice at once.
void doubleRow(const uint8_t* row, int first, uint32_t* out, int cw) {
    int x = 0;
    if (first % 2) out[x++] = opaquePixel(row, first / 2);
    for (; x + 1 < cw; x += 2) {
        const uint64_t two = uint64_t(opaquePixel(row, (first + x) / 2)) * 0x100000001u;
        std::memcpy(out + x, &two, 8);
    }
    if (x < cw) out[x] = opaquePixel(row, (first + x) / 2);
}

#if KESTROVA_BLIT_WIDE
#pragma GCC diagnostic ignored "-Wpsabi"  // internal and inlined: the AVX argument ABI is moot

// Device pixels x .. x + 7 of a row from image row `row`. When the picture is not narrower than
// the image, eight neighbouring device columns span at most eight image columns: one load and a
// permute. Otherwise a gather.
template <bool Span8>
__attribute__((target("avx2"), always_inline)) inline __m256i eightPixels(const uint8_t* row, int64_t iw,
                                                                         const uint32_t* columns, int x) {
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + x));
    if constexpr (Span8) {
        // Kept inside the row: the last eight image columns at most.
        const uint32_t base = std::min<uint32_t>(columns[x], uint32_t(iw - 8));
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + size_t(base) * 4));
        return _mm256_or_si256(_mm256_permutevar8x32_epi32(v, _mm256_sub_epi32(idx, _mm256_set1_epi32(int(base)))),
                               opaque);
    } else {
        return _mm256_or_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(row), idx, 4), opaque);
    }
}

__attribute__((target("avx2"), always_inline)) inline void storeRows(uint8_t* out, size_t stride, int n, int x,
                                                                    __m256i v) {
    for (int r = 0; r < n; ++r) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + r * stride + size_t(x) * 4), v);
}

// The `n` device rows from the top one at `out` that all show image row `row`, stored straight
// from the register into each: no row is read back to be copied.
template <bool Span8>
__attribute__((target("avx2"))) void wideRows(const uint8_t* row, int64_t iw, const uint32_t* columns, uint8_t* out,
                                              size_t stride, int n, int cw) {
    if (cw < 8) {
        for (int r = 0; r < n; ++r) gatherRow(row, columns, reinterpret_cast<uint32_t*>(out + r * stride), cw);
        return;
    }
    // Stores that straddle two cache lines cost twice: the first eight, then eights on 32-byte
    // boundaries (of the top row; of all where the stride allows), then the last eight, the
    // overlaps written twice with the same values.
    const int head = int((32 - (reinterpret_cast<uintptr_t>(out) & 31)) & 31) / 4;
    if (head) storeRows(out, stride, n, 0, eightPixels<Span8>(row, iw, columns, 0));
    int x = head;
    for (; x + 8 <= cw; x += 8) storeRows(out, stride, n, x, eightPixels<Span8>(row, iw, columns, x));
    if (x < cw) storeRows(out, stride, n, cw - 8, eightPixels<Span8>(row, iw, columns, cw - 8));
}

std::atomic<bool> gPortable{false};

bool wide() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported && !gPortable.load(std::memory_order_relaxed);
}
#endif

}  // namespace

bool ImageBlitter::drawNearest(GraphicsContext& context, const Rect& r, const Image& image) {
    if (context.hasShadow() || context.alpha() < 1 || r.isEmpty()) return false;
    if (image.bitsPerPixel() != 32 || image.bitmapInfo() != BitmapInfo::BGRX || !image.data()) return false;
    cairo_t* cr = context.cairo();
    cairo_surface_t* s = cairo_get_target(cr);
    if (cairo_surface_get_type(s) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    const cairo_format_t format = cairo_image_surface_get_format(s);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    // Scales and moves only; a flipped y (bitmap contexts) still puts row 0 at the top.
    if (m.xy != 0 || m.yx != 0 || !(m.xx > 0) || m.yy == 0) return false;

    auto toDevice = [&](double x0, double y0, double x1, double y1) {
        cairo_user_to_device(cr, &x0, &y0);
        cairo_user_to_device(cr, &x1, &y1);
        return PixelBox::onWholePixels(x0, y0, x1, y1);
    };
    const auto to = toDevice(r.minX(), r.minY(), r.maxX(), r.maxY());
    if (!to) return false;
    const int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
    PixelBox clip{0, 0, sw, sh};
    // The clip: one rectangle on whole pixels, or none at all when everything is clipped away
    // (Cairo lists no rectangle then).
    cairo_rectangle_list_t* clips = cairo_copy_clip_rectangle_list(cr);
    bool ok = clips->status == CAIRO_STATUS_SUCCESS && clips->num_rectangles <= 1;
    if (ok && clips->num_rectangles == 1) {
        const cairo_rectangle_t& k = clips->rectangles[0];
        const auto e = toDevice(k.x, k.y, k.x + k.width, k.y + k.height);
        ok = e.has_value();
        if (ok) clip = {std::max(clip.x0, e->x0), std::max(clip.y0, e->y0), std::min(clip.x1, e->x1), std::min(clip.y1, e->y1)};
    } else if (ok) {
        clip = {};
    }
    cairo_rectangle_list_destroy(clips);
    if (!ok || !fits(*to, image)) return false;
    context.prepareForCairo();
    cairo_surface_flush(s);
    drawNearest(PixelRows{cairo_image_surface_get_data(s), sw, sh, cairo_image_surface_get_stride(s)}, *to, clip, image);
    cairo_surface_mark_dirty(s);
    return true;
}

bool ImageBlitter::fits(const PixelBox& to, const Image& image) {
    if (image.bitsPerPixel() != 32 || image.bitmapInfo() != BitmapInfo::BGRX || !image.data()) return false;
    return int64_t(to.x1) - to.x0 <= 32767 && int64_t(to.y1) - to.y0 <= 32767 && image.width() <= 32767 &&
           image.height() <= 32767;
}

bool ImageBlitter::drawNearest(const PixelRows& target, const PixelBox& to, const PixelBox& clip, const Image& image) {
    if (!fits(to, image) || !target.pixels) return false;
    const int d[4] = {to.x0, to.y0, to.x1, to.y1};
    const int x0 = std::max({0, clip.x0, d[0]}), y0 = std::max({0, clip.y0, d[1]});
    const int x1 = std::min({target.width, clip.x1, d[2]}), y1 = std::min({target.height, clip.y1, d[3]});
    const int dw = d[2] - d[0], dh = d[3] - d[1];
    if (x1 <= x0 || y1 <= y0) return true;  // nothing visible
    uint8_t* px = target.pixels;
    const int stride = target.bytesPerRow;
    // Each device pixel takes the image pixel under its centre. Neighbouring rows of an enlarged
    // picture often come from the same image row: that row is gathered once for all of them.
    const int cw = x1 - x0;
    const int64_t iw = image.width(), ih = image.height();
#if KESTROVA_BLIT_WIDE
    const bool avx2 = wide();
#else
    const bool avx2 = false;
#endif
    // Twice the width was the live preview's usual case on a scale 2 screen; the AVX2 code takes
    // it through the column table like any other width.
    const bool twice = !avx2 && dw == 2 * iw;
    // Device column x0 + x of the picture is its column x0 - d[0] + x.
    const uint32_t* columns = twice ? nullptr : columnMap().forSizes(iw, dw) + (x0 - d[0]);
    const uint8_t* src = image.data();
    const size_t srcStride = image.bytesPerRow();
    // The image row under device row y is ((2 (y - d[1]) + 1) ih) / (2 dh), stepped from row to
    // row by whole quotient and remainder instead of a division for each.
    const int64_t den = 2 * int64_t(dh), num0 = (2 * int64_t(y0 - d[1]) + 1) * ih;
    const int64_t stepRows = (2 * ih) / den, stepRem = (2 * ih) % den;
    int64_t sy = num0 / den, rem = num0 % den;
    auto next = [&] {
        sy += stepRows;
        rem += stepRem;
        if (rem >= den) rem -= den, ++sy;
    };
    for (int y = y0; y < y1;) {
        const int64_t rowSy = sy;
        int n = 1;
        for (next(); y + n < y1 && sy == rowSy; next()) ++n;
        const uint8_t* row = src + size_t(rowSy) * srcStride;
        uint8_t* first = px + size_t(y) * stride + size_t(x0) * 4;
#if KESTROVA_BLIT_WIDE
        if (avx2) {
            if (iw >= 8 && iw <= dw) wideRows<true>(row, iw, columns, first, size_t(stride), n, cw);
            else wideRows<false>(row, iw, columns, first, size_t(stride), n, cw);
            y += n;
            continue;
        }
#endif
        uint32_t* out = reinterpret_cast<uint32_t*>(first);
        if (twice) doubleRow(row, x0 - d[0], out, cw);
        else gatherRow(row, columns, out, cw);
        for (int k = 1; k < n; ++k) std::memcpy(first + size_t(k) * stride, out, size_t(cw) * 4);
        y += n;
    }
    return true;
}

void ImageBlitter::usePortableCode(bool portable) {
#if KESTROVA_BLIT_WIDE
    gPortable.store(portable, std::memory_order_relaxed);
#else
    (void)portable;
#endif
}

}  // namespace platform
