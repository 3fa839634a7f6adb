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
