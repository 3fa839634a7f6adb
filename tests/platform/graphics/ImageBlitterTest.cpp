#include "platform/graphics/ImageBlitter.h"
#include "platform/graphics/SurfaceContext.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace platform;

namespace {

using BGRA = std::array<uint8_t, 4>;

BGRA at(const ImageRef& img, int x, int y) {
    const uint8_t* p = img->pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

// 2 x 2: red, green / blue, white; the fourth bytes are not 255 on purpose.
ImageRef quad() {
    std::vector<uint8_t> px = {0, 0, 255, 7, 0, 255, 0, 7, 255, 0, 0, 7, 255, 255, 255, 7};
    return Image::createBGRX(2, 2, std::move(px));
}

}  // namespace

TEST(ImageBlitterTest, ScalesNearestIntoTheSurfaceWithinTheClip) {
    const BGRA red{0, 0, 255, 255}, green{0, 255, 0, 255}, blue{255, 0, 0, 255}, white{255, 255, 255, 255};
    const BGRA clear{0, 0, 0, 0};

    // Scale 2: the 2 x 2 image into the 2 x 2-point rectangle at (1, 0) of a 3 x 2-point view is
    // 4 x 4 device pixels at x 2..6, each image pixel a 2 x 2 block, opaque.
    auto c = SurfaceContext::create(6, 4, 2);
    ASSERT_TRUE(c);
    ASSERT_TRUE(ImageBlitter::drawNearest(*c, {1, 0, 2, 2}, *quad()));
    ImageRef img = c->makeImage();
    EXPECT_EQ(at(img, 1, 0), clear);  // left of the picture: untouched
    EXPECT_EQ(at(img, 2, 0), red);
    EXPECT_EQ(at(img, 3, 1), red);
    EXPECT_EQ(at(img, 4, 0), green);
    EXPECT_EQ(at(img, 2, 2), blue);
    EXPECT_EQ(at(img, 5, 3), white);

    // A clip keeps the rest: only device x 4..6, y 0..2 (green) is written.
    auto d = SurfaceContext::create(6, 4, 2);
    d->clipToRect({2, 0, 1, 1});
    ASSERT_TRUE(ImageBlitter::drawNearest(*d, {1, 0, 2, 2}, *quad()));
    img = d->makeImage();
    EXPECT_EQ(at(img, 4, 0), green);
    EXPECT_EQ(at(img, 5, 1), green);
    EXPECT_EQ(at(img, 3, 0), clear);
    EXPECT_EQ(at(img, 4, 2), clear);

    // Picture partly outside the surface: the visible part only (no write outside memory).
    auto e = SurfaceContext::create(2, 2, 1);
    ASSERT_TRUE(ImageBlitter::drawNearest(*e, {-1, -1, 2, 2}, *quad()));
    EXPECT_EQ(at(e->makeImage(), 0, 0), white);

    // Refused, nothing drawn: half pixels, a turned context, alpha.
    auto f = SurfaceContext::create(4, 4, 1);
    EXPECT_FALSE(ImageBlitter::drawNearest(*f, {0.5f, 0, 2, 2}, *quad()));
    f->saveGState();
    f->rotateCTM(1.5707963f);
    EXPECT_FALSE(ImageBlitter::drawNearest(*f, {0, -2, 2, 2}, *quad()));
    f->restoreGState();
    f->setAlpha(0.5f);
    EXPECT_FALSE(ImageBlitter::drawNearest(*f, {0, 0, 2, 2}, *quad()));
    EXPECT_EQ(at(f->makeImage(), 0, 0), clear);
}

// Enlarging and shrinking by uneven factors, with the picture partly outside a clip: every
// written pixel is the image pixel under its centre, every other pixel is untouched.
TEST(ImageBlitterTest, EveryPixelTakesTheImagePixelUnderItsCentre) {
    const int iw = 7, ih = 5;
    std::vector<uint8_t> px(size_t(iw) * ih * 4);
    for (int i = 0; i < iw * ih; ++i) {
        px[size_t(i) * 4] = uint8_t(i);
        px[size_t(i) * 4 + 1] = uint8_t(100 + i);
        px[size_t(i) * 4 + 2] = uint8_t(200 - i);
    }
    ImageRef image = Image::createBGRX(iw, ih, std::move(px));
    struct Case { Rect r; Rect clip; };
    for (const Case& k : {Case{{-3, 2, 17, 12}, {0, 0, 9, 11}}, Case{{1, 1, 4, 3}, {0, 0, 20, 20}},
                          Case{{2, -6, 23, 29}, {3, 1, 10, 9}}, Case{{1, 1, 14, 10}, {2, 0, 10, 20}},
                          Case{{-2, 2, 14, 10}, {0, 0, 11, 20}}}) {
        auto c = SurfaceContext::create(12, 14, 1);
        ASSERT_TRUE(c);
        c->clipToRect(k.clip);
        ASSERT_TRUE(ImageBlitter::drawNearest(*c, k.r, *image));
        ImageRef out = c->makeImage();
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool inside = x >= k.r.minX() && x < k.r.maxX() && y >= k.r.minY() && y < k.r.maxY() &&
                                    x >= k.clip.minX() && x < k.clip.maxX() && y >= k.clip.minY() && y < k.clip.maxY();
                BGRA want{0, 0, 0, 0};
                if (inside) {
                    const int sx = int((x + 0.5 - k.r.minX()) * iw / k.r.width());
                    const int sy = int((y + 0.5 - k.r.minY()) * ih / k.r.height());
                    const uint8_t* p = image->pixel(sx, sy);
                    want = {p[0], p[1], p[2], 255};
                }
                ASSERT_EQ(at(out, x, y), want) << "at " << x << "," << y;
            }
        }
    }
}
