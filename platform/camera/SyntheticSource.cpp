#include "platform/camera/SyntheticSource.h"

#include "platform/camera/SensorFrame.h"
#include "platform/foundation/Clock.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include <immintrin.h>

namespace platform {
namespace {

static_assert(std::endian::native == std::endian::little, "pixels are written as little-endian words");

constexpr uint32_t rgb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

constexpr uint32_t kBars[8] = {rgb(255, 255, 255), rgb(255, 255, 0), rgb(0, 255, 255), rgb(0, 255, 0),
                               rgb(255, 0, 255),   rgb(255, 0, 0),   rgb(0, 0, 255),   rgb(0, 0, 0)};
constexpr uint32_t kMark = rgb(SyntheticSource::kMarkR, SyntheticSource::kMarkG, SyntheticSource::kMarkB);

// Where the parts of the card sit for a given size. A portrait screen fills itself with the
// frame and crops its sides down to 2:3, so in portrait shapes the bars, the ball's swing and the
// cells keep to that central part; the outer bars widen to the edges.
struct Layout {
    int w, h;
    int safeLeft, safeWidth;
    int barsBottom, rampBottom;  // bars [0, barsBottom), ramp [barsBottom, rampBottom), panel below
    int cellsTop, cellsBottom;   // the seconds cells at the foot of the panel
    int markSize, markThickness;

    Layout(int width, int height) : w(width), h(height) {
        safeWidth = h > w ? std::min(w, int(std::lround(h * 2.0 / 3))) : w;
        safeLeft = (w - safeWidth) / 2;
        barsBottom = int(std::lround(h * 0.56));
        rampBottom = int(std::lround(h * 0.68));
        cellsBottom = h - std::max(1, int(std::lround(h * 0.03)));
        cellsTop = cellsBottom - std::max(2, int(std::lround(h * 0.035)));
        // Large enough that its top arm stays on the portrait screen.
        markSize = std::max(3, std::min(w, h) / 5);
        markThickness = std::max(1, markSize / 4);
    }
    int panelTop() const { return rampBottom; }
    int panelHeight() const { return cellsTop - rampBottom; }
    // Bar i spans [barLeft(i), barLeft(i + 1)).
    int barLeft(int i) const {
        if (i <= 0) return 0;
        if (i >= 8) return w;
        return safeLeft + int(int64_t(safeWidth) * i / 8);
    }
    // Ten cells, each a 22nd of the safe width, with equal gaps, centred.
    int cellLeft(int i) const { return safeLeft + int(int64_t(safeWidth) * (4 * i + 3) / 44); }
    int cellRight(int i) const { return safeLeft + int(int64_t(safeWidth) * (4 * i + 5) / 44); }
};

inline void put(uint8_t* row, int x, uint32_t c) { std::memcpy(row + size_t(x) * 4, &c, 4); }

void fillSpan(uint8_t* row, int x0, int x1, uint32_t c) {
    for (int x = x0; x < x1; ++x) put(row, x, c);
}

void paintBackdrop(uint8_t* px, int w, int h) {
    const Layout L(w, h);
    const size_t stride = size_t(w) * 4;
    // Colour bars.
    for (int y = 0; y < L.barsBottom; ++y) {
        uint8_t* row = px + y * stride;
        for (int i = 0; i < 8; ++i) fillSpan(row, L.barLeft(i), L.barLeft(i + 1), kBars[i]);
    }
    // Grey ramp, black at the left to white at the right.
    if (L.rampBottom > L.barsBottom) {
        uint8_t* first = px + L.barsBottom * stride;
        for (int x = 0; x < w; ++x) {
            const int v = w > 1 ? int((int64_t(x) * 255 + (w - 1) / 2) / (w - 1)) : 255;
            put(first, x, rgb(v, v, v));
        }
        for (int y = L.barsBottom + 1; y < L.rampBottom; ++y) std::memcpy(px + y * stride, first, stride);
    }
    // Night-blue panel, lighter towards the top, with a faint track where the ball runs.
    const int trackY = L.panelTop() + L.panelHeight() / 2;
    for (int y = L.rampBottom; y < h; ++y) {
        const double f = h > L.rampBottom + 1 ? double(y - L.rampBottom) / (h - L.rampBottom - 1) : 0;
        uint32_t c = rgb(int(24 - 16 * f), int(36 - 24 * f), int(70 - 44 * f));
        if (y == trackY) c = rgb(40, 58, 100);
        fillSpan(px + y * stride, 0, w, c);
    }
    // The seconds cells, unlit.
    for (int y = L.cellsTop; y < L.cellsBottom; ++y)
        for (int i = 0; i < 10; ++i) fillSpan(px + y * stride, L.cellLeft(i), L.cellRight(i), rgb(46, 56, 84));
    // The corner mark: an L-shaped bracket.
    for (int y = 0; y < L.markSize && y < h; ++y)
        fillSpan(px + y * stride, 0, std::min(w, y < L.markThickness ? L.markSize : L.markThickness), kMark);
}

// The ball's shading of one row, four pixels at a time, from `x` while four fit before `xe`.
// The same double-precision steps, lane by lane, as the two-at-a-time loop below (no fused
// multiply-add), so the same bytes. Returns where it stopped.
struct Ball {
    double cx, hx, reach, hr, inner2;
};

// One channel of four pixels: old + (new - old) * cover + 0.5, truncated, back in its place.
__attribute__((target("avx"), always_inline)) inline __m128i blendFour(__m128i old, int shift, __m256d target,
                                                                        __m256d cover) {
    const __m256d o = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(old, shift), _mm_set1_epi32(0xFF)));
    const __m256d v = _mm256_add_pd(_mm256_add_pd(o, _mm256_mul_pd(_mm256_sub_pd(target, o), cover)), _mm256_set1_pd(0.5));
    return _mm_slli_epi32(_mm256_cvttpd_epi32(v), shift);
}

__attribute__((target("avx"))) int shadeFour(uint8_t* row, int x, int xe, const Ball& b, double dy2, double hy2) {
    const __m256d vcx = _mm256_set1_pd(b.cx), vhx = _mm256_set1_pd(b.hx), vdy2 = _mm256_set1_pd(dy2);
    const __m256d vhy2 = _mm256_set1_pd(hy2), vreach = _mm256_set1_pd(b.reach), vhr = _mm256_set1_pd(b.hr);
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0), v255 = _mm256_set1_pd(255.0);
    const __m256d vinner2 = _mm256_set1_pd(b.inner2), halfOne = _mm256_set1_pd(0.5);
    for (; x + 3 < xe; x += 4) {
        const __m256d pxc = _mm256_add_pd(_mm256_set_pd(x + 3, x + 2, x + 1, x), halfOne);
        const __m256d dx = _mm256_sub_pd(pxc, vcx);
        const __m256d d2 = _mm256_add_pd(_mm256_mul_pd(dx, dx), vdy2);
        const __m256d cover = _mm256_movemask_pd(_mm256_cmp_pd(d2, vinner2, _CMP_LE_OQ)) == 15
                                  ? one
                                  : _mm256_min_pd(_mm256_max_pd(_mm256_sub_pd(vreach, _mm256_sqrt_pd(d2)), zero), one);
        const __m256d hdx = _mm256_sub_pd(pxc, vhx);
        const __m256d dh = _mm256_min_pd(_mm256_div_pd(_mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(hdx, hdx), vhy2)), vhr), one);
        const __m256d shade = _mm256_sub_pd(one, _mm256_mul_pd(_mm256_set1_pd(0.62), dh));
        const __m256d glint = _mm256_max_pd(_mm256_sub_pd(one, _mm256_mul_pd(dh, _mm256_set1_pd(3.2))), zero);
        const __m256d spec = _mm256_mul_pd(_mm256_mul_pd(glint, glint), _mm256_set1_pd(0.75));
        const __m256d spec255 = _mm256_mul_pd(v255, spec);
        const __m256d rr = _mm256_min_pd(_mm256_add_pd(_mm256_mul_pd(v255, shade), spec255), v255);
        const __m256d gg = _mm256_min_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(176), shade), spec255), v255);
        const __m256d bb = _mm256_min_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(48), shade), spec255), v255);
        uint8_t* p = row + size_t(x) * 4;
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i kept = _mm_andnot_si128(_mm_set1_epi32(0x00FFFFFF), old);
        const __m128i out = _mm_or_si128(_mm_or_si128(kept, blendFour(old, 0, bb, cover)),
                                         _mm_or_si128(blendFour(old, 8, gg, cover), blendFour(old, 16, rr, cover)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
    }
    return x;
}

std::atomic<bool> gPortable{false};

bool haveAvx() {
    static const bool supported = __builtin_cpu_supports("avx");
    return supported && !gPortable.load(std::memory_order_relaxed);
}

// The parts that move: one lit cell per second and a shaded ball swinging across the panel.
// Returns the pixel rectangles it painted, as x0, y0, x1, y1.
std::array<std::array<int, 4>, 2> paintMoving(uint8_t* px, int w, int h, double t) {
    const Layout L(w, h);
    const size_t stride = size_t(w) * 4;
    const int cell = int(std::fmod(std::floor(t), 10.0) + 10) % 10;
    for (int y = L.cellsTop; y < L.cellsBottom; ++y)
        fillSpan(px + y * stride, L.cellLeft(cell), L.cellRight(cell), rgb(120, 230, 255));
    std::array<std::array<int, 4>, 2> painted{};
    painted[0] = {L.cellLeft(cell), L.cellsTop, L.cellRight(cell), L.cellsBottom};

    const double pi = std::numbers::pi;
    const double ph = L.panelHeight();
    const double r = std::max(1.5, ph * 0.3);
    const double cx = w * 0.5 + L.safeWidth * 0.38 * std::sin(2 * pi * t / 4.0);
    const double cy = L.panelTop() + ph * 0.5 - ph * 0.12 * std::abs(std::sin(2 * pi * t / 2.0));
    const double hx = cx - 0.35 * r, hy = cy - 0.4 * r;
    const int x0 = std::max(0, int(std::floor(cx - r - 1))), x1 = std::min(w, int(std::ceil(cx + r + 1)));
    const int y0 = std::max(L.panelTop(), int(std::floor(cy - r - 1)));
    const int y1 = std::min(L.cellsTop, int(std::ceil(cy + r + 1)));
    painted[1] = {x0, y0, x1, y1};
    const double reach = r + 0.5;  // no cover from this distance on
    // Inside this squared distance the cover is surely 1 (reach - 1 with a margin far beyond
    // rounding), so its square root is not needed there.
    const double inner2 = reach > 1 ? (reach - 1) * (reach - 1) * (1 - 1e-9) : -1;
    const Ball ball{cx, hx, reach, 1.4 * r, inner2};
    for (int y = y0; y < y1; ++y) {
        uint8_t* row = px + y * stride;
        const double py = y + 0.5;
        const double dy2 = (py - cy) * (py - cy);
        if (dy2 >= reach * reach) continue;
        // Only the row's chord can be covered; a pixel of slack each side, the test below decides.
        const double half = std::sqrt(reach * reach - dy2);
        const int xs = std::max(x0, int(std::floor(cx - half - 0.5)) - 1);
        const int xe = std::min(x1, int(std::ceil(cx + half - 0.5)) + 2);
        int x = xs;
        if (haveAvx()) x = shadeFour(row, x, xe, ball, dy2, (py - hy) * (py - hy));
        // Two pixels at a time: the same double-precision steps as one at a time, so the same bytes.
        const __m128d vcx = _mm_set1_pd(cx), vhx = _mm_set1_pd(hx), vdy2 = _mm_set1_pd(dy2);
        const __m128d vhy2 = _mm_set1_pd((py - hy) * (py - hy)), vreach = _mm_set1_pd(reach);
        const __m128d vhr = _mm_set1_pd(1.4 * r), zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
        const __m128d v255 = _mm_set1_pd(255.0), vinner2 = _mm_set1_pd(inner2), halfOne = _mm_set1_pd(0.5);
        for (; x < xe; x += 2) {
            const __m128d pxc = _mm_add_pd(_mm_set_pd(x + 1, x), _mm_set1_pd(0.5));
            const __m128d dx = _mm_sub_pd(pxc, vcx);
            const __m128d d2 = _mm_add_pd(_mm_mul_pd(dx, dx), vdy2);
            const __m128d cover = _mm_movemask_pd(_mm_cmple_pd(d2, vinner2)) == 3
                                      ? one
                                      : _mm_min_pd(_mm_max_pd(_mm_sub_pd(vreach, _mm_sqrt_pd(d2)), zero), one);
            const __m128d hdx = _mm_sub_pd(pxc, vhx);
            const __m128d dh =
                _mm_min_pd(_mm_div_pd(_mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(hdx, hdx), vhy2)), vhr), one);
            const __m128d shade = _mm_sub_pd(one, _mm_mul_pd(_mm_set1_pd(0.62), dh));
            const __m128d glint = _mm_max_pd(_mm_sub_pd(one, _mm_mul_pd(dh, _mm_set1_pd(3.2))), zero);
            const __m128d spec = _mm_mul_pd(_mm_mul_pd(glint, glint), _mm_set1_pd(0.75));
            const __m128d spec255 = _mm_mul_pd(v255, spec);
            const __m128d rr = _mm_min_pd(_mm_add_pd(_mm_mul_pd(v255, shade), spec255), v255);
            const __m128d gg = _mm_min_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(176), shade), spec255), v255);
            const __m128d bb = _mm_min_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(48), shade), spec255), v255);
            // Each channel of both pixels: old + (new - old) * cover + 0.5, truncated, which rounds
            // as lround does for values in [0, 255]. No cover leaves a pixel as it was.
            uint8_t* p = row + size_t(x) * 4;
            const bool both = x + 1 < xe;
            auto blend = [&](int k, const __m128d& target) {
                const __m128d old = _mm_set_pd(both ? p[4 + k] : 0, p[k]);
                const __m128d v = _mm_add_pd(_mm_add_pd(old, _mm_mul_pd(_mm_sub_pd(target, old), cover)), halfOne);
                const __m128i t = _mm_cvttpd_epi32(v);
                p[k] = uint8_t(_mm_cvtsi128_si32(t));
                if (both) p[4 + k] = uint8_t(_mm_cvtsi128_si32(_mm_srli_si128(t, 4)));
            };
            blend(0, bb);
            blend(1, gg);
            blend(2, rr);
        }
    }
    return painted;
}

}  // namespace

SyntheticSource::SyntheticSource(const Clock& clock) : clock_(clock) {}

void SyntheticSource::usePortableCode(bool portable) { gPortable.store(portable, std::memory_order_relaxed); }

ImageRef SyntheticSource::renderScene(double time, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    std::vector<uint8_t> px(size_t(width) * height * 4);
    paintBackdrop(px.data(), width, height);
    paintMoving(px.data(), width, height, time);
    return Image::createBGRX(width, height, std::move(px));
}

ImageRef SyntheticSource::frame(int width, int height, DeviceOrientation orientation) {
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(width, height, orientation, &uw, &uh);
    return SensorFrame::fromUpright(renderScene(clock_.now(), uw, uh), orientation);
}

ImageRef SyntheticSource::uprightLive(int uw, int uh) {
    if (uw <= 0 || uh <= 0) return nullptr;
    if (backdropWidth_ != uw || backdropHeight_ != uh) {
        backdrop_.assign(size_t(uw) * uh * 4, 0);
        paintBackdrop(backdrop_.data(), uw, uh);
        backdropWidth_ = uw;
        backdropHeight_ = uh;
        for (auto& b : buffers_) b = {};
    }
    // A buffer nobody holds any more only needs its moving parts of last time put back; the
    // frame on show (and any picture's preview being saved) keep theirs.
    const size_t stride = size_t(uw) * 4;
    PreviewBuffer* free = nullptr;
    for (auto& b : buffers_)
        if (!b.pixels || b.pixels.use_count() == 1) {
            free = &b;
            break;
        }
    PreviewBuffer scratch;
    if (!free) free = &scratch;  // all in use: a fresh one this time
    if (!free->pixels) {
        free->pixels = std::make_shared<std::vector<uint8_t>>(backdrop_);
    } else {
        for (const auto& r : free->painted)
            for (int y = r[1]; y < r[3]; ++y)
                std::memcpy(free->pixels->data() + size_t(y) * stride + size_t(r[0]) * 4,
                            backdrop_.data() + size_t(y) * stride + size_t(r[0]) * 4, size_t(r[2] - r[0]) * 4);
    }
    free->painted = paintMoving(free->pixels->data(), uw, uh, clock_.now());
    std::shared_ptr<const uint8_t> bytes(free->pixels, free->pixels->data());
    return Image::create(uw, uh, 8, 32, int(stride), ColorSpace::DeviceRGB, BitmapInfo::BGRX, std::move(bytes),
                         free->pixels->size());
}

const SyntheticSource::PreviewBuffer* SyntheticSource::keptBuffer(const Image& image) const {
    if (image.width() != backdropWidth_ || image.height() != backdropHeight_) return nullptr;
    for (const auto& b : buffers_)
        if (b.pixels && b.pixels->data() == image.data()) return &b;
    return nullptr;
}

// A held frame's buffer is not drawn into again, so its painted rectangles still describe it; a
// buffer is only dropped with a new backdrop, and a frame still held keeps its pixels alive, so
// no other frame can come to share its address.
bool SyntheticSource::screenFrameChanges(const Image& earlier, const Image& later, std::vector<Rect>* rects) const {
    const PreviewBuffer* a = keptBuffer(earlier);
    const PreviewBuffer* b = keptBuffer(later);
    if (!a || !b) return false;
    if (a == b) return true;
    for (const auto* buffer : {a, b})
        for (const auto& r : buffer->painted)
            if (r[2] > r[0] && r[3] > r[1])
                rects->push_back(Rect(float(r[0]), float(r[1]), float(r[2] - r[0]), float(r[3] - r[1])));
    return true;
}

// Made once a picture: drawing it afresh costs less than replacing the screen-sized backdrop.
ImageRef SyntheticSource::previewFrame(DeviceOrientation orientation) {
    return frame(kPreviewWidth, kPreviewHeight, orientation);
}

ImageRef SyntheticSource::screenFrame(DeviceOrientation orientation, int width, int height) {
    // The sensor frame is the screen frame on its side.
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(height, width, orientation, &uw, &uh);
    return SensorFrame::forPortraitScreenFromUpright(uprightLive(uw, uh), orientation, &turned_);
}

// A picture is rare: drawn from scratch rather than keeping a large backdrop around.
ImageRef SyntheticSource::pictureFrame(DeviceOrientation orientation) {
    return frame(kPictureWidth, kPictureHeight, orientation);
}

}  // namespace platform
