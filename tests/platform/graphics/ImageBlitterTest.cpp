#include "platform/graphics/ImageBlitter.h"
#include "platform/graphics/SurfaceContext.h"
#include "tests/platform/graphics/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace platform;

namespace {

using testimages::Bgra;
using testimages::bgra;

// 2 x 2: red, green / blue, white; the fourth bytes are not 255 on purpose.
ImageRef quad() {
    std::vector<uint8_t> px = {0, 0, 255, 7, 0, 255, 0, 7, 255, 0, 0, 7, 255, 255, 255, 7};
    return Image::createBGRX(2, 2, std::move(px));
}

}  // namespace

TEST(ImageBlitterTest, ScalesNearestIntoTheSurfaceWithinTheClip) {
    const Bgra red{0, 0, 255, 255}, green{0, 255, 0, 255}, blue{255, 0, 0, 255}, white{255, 255, 255, 255};
    const Bgra clear{0, 0, 0, 0};

    // Scale 2: the 2 x 2 image into the 2 x 2-point rectangle at (1, 0) of a 3 x 2-point view is
    // 4 x 4 device pixels at x 2..6, each image pixel a 2 x 2 block, opaque.
    auto c = SurfaceContext::create(6, 4, 2);
    ASSERT_TRUE(c);
    ASSERT_TRUE(ImageBlitter::drawNearest(*c, {1, 0, 2, 2}, *quad()));
    ImageRef img = c->makeImage();
    EXPECT_EQ(bgra(img, 1, 0), clear);  // left of the picture: untouched
    EXPECT_EQ(bgra(img, 2, 0), red);
    EXPECT_EQ(bgra(img, 4, 0), green);
    EXPECT_EQ(bgra(img, 2, 2), blue);
    EXPECT_EQ(bgra(img, 5, 3), white);

    // A clip keeps the rest: only device x 4..6, y 0..2 (green) is written.
    auto d = SurfaceContext::create(6, 4, 2);
    d->clipToRect({2, 0, 1, 1});
    ASSERT_TRUE(ImageBlitter::drawNearest(*d, {1, 0, 2, 2}, *quad()));
    img = d->makeImage();
    EXPECT_EQ(bgra(img, 4, 0), green);
    EXPECT_EQ(bgra(img, 3, 0), clear);
    EXPECT_EQ(bgra(img, 4, 2), clear);
    // Two clips that miss each other leave nothing, which Cairo lists as no rectangle at all:
    // not the same as no clip.
    auto e = SurfaceContext::create(6, 4, 2);
    e->clipToRect({0, 0, 1, 1});
    e->clipToRect({2, 1, 1, 1});
    EXPECT_TRUE(ImageBlitter::drawNearest(*e, {0, 0, 3, 2}, *quad()));
    img = e->makeImage();
    EXPECT_EQ(bgra(img, 0, 0), clear);
    EXPECT_EQ(bgra(img, 4, 2), clear);

    // Refused, nothing drawn: half pixels, a turned context, alpha.
    auto f = SurfaceContext::create(4, 4, 1);
    EXPECT_FALSE(ImageBlitter::drawNearest(*f, {0.5f, 0, 2, 2}, *quad()));
    f->saveGState();
    f->rotateCTM(1.5707963f);
    EXPECT_FALSE(ImageBlitter::drawNearest(*f, {0, -2, 2, 2}, *quad()));
    f->restoreGState();
    f->setAlpha(0.5f);
    EXPECT_FALSE(ImageBlitter::drawNearest(*f, {0, 0, 2, 2}, *quad()));
    EXPECT_EQ(bgra(f->makeImage(), 0, 0), clear);
}

// Straight into rows without a context: the same pixels as through one, only inside the clip box
// and the rows, and nothing at all for an empty clip.
TEST(ImageBlitterTest, DrawsIntoBareRowsAsThroughAContext) {
    auto through = SurfaceContext::create(7, 5, 1);
    through->clipToRect({1, 1, 4, 3});
    ASSERT_TRUE(ImageBlitter::drawNearest(*through, {-1, 0, 5, 4}, *quad()));
    ImageRef want = through->makeImage();

    std::vector<uint8_t> rows(size_t(9) * 4 * 5, 0);  // a row longer than the picture
    const PixelRows target{rows.data(), 7, 5, 9 * 4};
    ASSERT_TRUE(ImageBlitter::drawNearest(target, PixelBox{-1, 0, 4, 4}, PixelBox{1, 1, 5, 4}, *quad()));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const uint8_t* p = &rows[size_t(y) * 36 + size_t(x) * 4];
            const Bgra got{p[0], p[1], p[2], p[3]};
            EXPECT_EQ(got, x < 7 ? bgra(want, x, y) : Bgra{}) << x << "," << y;
        }

    std::vector<uint8_t> untouched(rows.size(), 0);
    const PixelRows other{untouched.data(), 7, 5, 9 * 4};
    EXPECT_TRUE(ImageBlitter::drawNearest(other, PixelBox{0, 0, 7, 5}, PixelBox{3, 2, 3, 4}, *quad()));
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](uint8_t b) { return b == 0; }));
}

namespace {

// An iw x ih image whose every pixel differs from every other, its fourth bytes not 255. It is
// the bottom-right part of a wider and taller buffer: its rows are longer than its pixels and its
// last row ends where the buffer does, so a read past a row's pixels shows in a memory checker.
ImageRef distinctImage(int iw, int ih) {
    const int bw = iw + 5, bh = ih + 3;
    std::vector<uint8_t> px(size_t(bw) * bh * 4);
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x) {
            uint8_t* p = &px[(size_t(y) * bw + x) * 4];
            const int ix = x - 5, iy = y - 3;  // in the image
            p[0] = uint8_t(ix);
            p[1] = uint8_t(iy);
            p[2] = uint8_t(((ix >> 8) & 15) | ((iy >> 8) << 4));
            p[3] = uint8_t(0x40 + ix + iy);
        }
    return Image::createBGRX(bw, bh, std::move(px))->crop({5, 3, float(iw), float(ih)});
}

struct Surface {
    int w, h;
    std::vector<uint8_t> bytes;  // w * 4 a row
};

// `image` drawn into `picture` (whole device pixels, scale 1) of a transparent w x h surface
// clipped to `clip`, by the portable code or the code chosen for this CPU.
Surface drawn(const Image& image, const Rect& picture, const Rect& clip, int w, int h, bool portable) {
    ImageBlitter::usePortableCode(portable);
    auto c = SurfaceContext::create(w, h, 1);
    c->clipToRect(clip);
    const bool ok = ImageBlitter::drawNearest(*c, picture, image);
    ImageBlitter::usePortableCode(false);
    Surface s{w, h, {}};
    if (!ok) return s;
    ImageRef out = c->makeImage();
    for (int y = 0; y < h; ++y) s.bytes.insert(s.bytes.end(), out->pixel(0, y), out->pixel(0, y) + size_t(w) * 4);
    return s;
}

// What every pixel must be: inside the picture and the clip, the image pixel under its centre,
// opaque; elsewhere untouched.
Surface expected(const Image& image, const Rect& picture, const Rect& clip, int w, int h) {
    Surface s{w, h, std::vector<uint8_t>(size_t(w) * h * 4, 0)};
    const int64_t iw = image.width(), ih = image.height();
    const int64_t dx = int64_t(picture.minX()), dy = int64_t(picture.minY());
    const int64_t dw = int64_t(picture.width()), dh = int64_t(picture.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < dx || x >= dx + dw || y < dy || y >= dy + dh) continue;
            if (x < clip.minX() || x >= clip.maxX() || y < clip.minY() || y >= clip.maxY()) continue;
            const int64_t sx = ((2 * (x - dx) + 1) * iw) / (2 * dw), sy = ((2 * (y - dy) + 1) * ih) / (2 * dh);
            const uint8_t* p = image.pixel(int(sx), int(sy));
            uint8_t* q = &s.bytes[(size_t(y) * w + x) * 4];
            q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
        }
    return s;
}

// The first pixel where two surfaces differ, for the failure message; empty when none does.
std::string firstDifference(const Surface& got, const Surface& want) {
    if (got.bytes.size() != want.bytes.size()) return "not drawn";
    for (size_t i = 0; i < got.bytes.size(); ++i)
        if (got.bytes[i] != want.bytes[i]) {
            const size_t p = i / 4;
            return "pixel " + std::to_string(p % size_t(want.w)) + "," + std::to_string(p / size_t(want.w)) +
                   " byte " + std::to_string(i % 4) + ": " + std::to_string(got.bytes[i]) + " instead of " +
                   std::to_string(want.bytes[i]);
        }
    return {};
}

// Pictures of several image sizes at uneven, whole and shrinking factors, placed so that the
// surface shows their corners, middles and edges, under clips at odd columns of every
// width from 1 to 24 and some over 60 (each remainder of eight, short of eight and past it),
// against the formula: all of it drawn with the portable code, or the code chosen for this CPU.
void checkEveryPixelAgainstTheFormula(bool portable) {
    const int sizes[][2] = {{320, 400}, {7, 5}, {8, 6}, {13, 11}, {100, 61}};
    const double factors[] = {2.4, 1.7, 3.0, 0.6, 2.0, 1.0};
    std::vector<Rect> clips;
    for (int cw = 1; cw <= 24; ++cw) clips.push_back({float(1 + 2 * (cw % 5)), float(cw % 3), float(cw), 9});
    for (int cw = 61; cw <= 68; ++cw) clips.push_back({float(1 + 2 * (cw % 4)), 2, float(cw), 5});
    for (const int surfaceWidth : {117, 128}) {
        const int sh = 40;
        clips.push_back({0, 0, float(surfaceWidth), float(sh)});
        for (const auto& size : sizes) {
            ImageRef image = distinctImage(size[0], size[1]);
            ASSERT_TRUE(image);
            for (const double f : factors) {
                const int dw = std::max(1, int(std::lround(size[0] * f))), dh = std::max(1, int(std::lround(size[1] * f)));
                // Its top left corner, its middle, and its right and bottom edges crossing the clips.
                const int placements[][2] = {{3, 1}, {-(dw / 2) + 1, -(dh / 2)}, {20 - dw, 8 - dh}, {70 - dw, 6 - dh}};
                for (const auto& at : placements) {
                    const Rect picture{float(at[0]), float(at[1]), float(dw), float(dh)};
                    for (const Rect& clip : clips) {
                        const std::string diff =
                            firstDifference(drawn(*image, picture, clip, surfaceWidth, sh, portable),
                                            expected(*image, picture, clip, surfaceWidth, sh));
                        ASSERT_EQ(diff, "") << size[0] << "x" << size[1] << " into " << dw << "x" << dh << " at "
                                            << at[0] << "," << at[1] << ", clip x " << clip.minX() << " width "
                                            << clip.width() << ", surface " << surfaceWidth << " wide";
                    }
                }
            }
        }
        clips.pop_back();
    }
}

}  // namespace

TEST(ImageBlitterTest, PortableCodeDrawsThePixelUnderEachCentre) { checkEveryPixelAgainstTheFormula(true); }

TEST(ImageBlitterTest, AVX2CodeDrawsThePixelUnderEachCentre) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 on this CPU";
#else
    GTEST_SKIP() << "no AVX2 code for this CPU";
#endif
    checkEveryPixelAgainstTheFormula(false);
}
