#include "platform/graphics/SurfaceContext.h"
#include "tests/platform/graphics/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace platform;

using testimages::Bgra;
using testimages::bgra;

TEST(SurfaceContextTest, BadSizesGiveNoContext) {
    EXPECT_EQ(SurfaceContext::create(0, 10), nullptr);
    EXPECT_EQ(SurfaceContext::create(10, 10, 0), nullptr);
    EXPECT_EQ(SurfaceContext::create(10, 10, std::nanf("")), nullptr);
}

TEST(SurfaceContextTest, CtmStateAndAlpha) {
    auto ctx = SurfaceContext::create(4, 4, 1);
    ASSERT_TRUE(ctx);
    // What is set between a save and its restore goes with the restore.
    ctx->saveGState();
    ctx->translateCTM(2, 1);
    ctx->setFillColor(Color::white(1));
    ctx->setAlpha(0.5f);
    ctx->restoreGState();
    EXPECT_EQ(ctx->fillColor(), Color::black());
    EXPECT_EQ(ctx->alpha(), 1.0f);
    // Half alpha on opaque blue, untranslated, gives premultiplied 128 in blue and alpha.
    ctx->setFillColor(Color::rgba(0, 0, 1));
    ctx->setAlpha(0.5f);
    ctx->fillRect({0, 0, 1, 1});
    auto img = ctx->makeImage();
    EXPECT_EQ(bgra(img, 0, 0), (Bgra{128, 0, 0, 128}));
    // An unbalanced restore does nothing.
    ctx->restoreGState();
    EXPECT_EQ(ctx->alpha(), 0.5f);
}

TEST(SurfaceContextTest, ClipAndClear) {
    auto ctx = SurfaceContext::create(4, 1, 1);
    ASSERT_TRUE(ctx);
    ctx->fillAll(Color::rgba(0, 1, 0));
    // Clearing makes pixels transparent black.
    ctx->clearRect({1, 0, 1, 1});
    // A clip keeps drawing out of the rest; the path made before the clip survives it.
    ctx->beginPath();
    ctx->addRect({0, 0, 4, 1});
    ctx->clipToRect({3, 0, 1, 1});
    ctx->setFillColor(Color::rgba(1, 0, 0));
    ctx->fillPath();
    auto img = ctx->makeImage();
    EXPECT_EQ(bgra(img, 0, 0), (Bgra{0, 255, 0, 255}));
    EXPECT_EQ(bgra(img, 1, 0), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(bgra(img, 2, 0), (Bgra{0, 255, 0, 255}));
    EXPECT_EQ(bgra(img, 3, 0), (Bgra{0, 0, 255, 255}));
    // The image is a copy: later drawing does not reach it.
    ctx->fillAll(Color::black());
    EXPECT_EQ(bgra(img, 0, 0), (Bgra{0, 255, 0, 255}));
}

// A 20 x 20 context with the path `path` makes filled in white.
ImageRef filled(const std::function<void(SurfaceContext&)>& path) {
    auto ctx = SurfaceContext::create(20, 20, 1);
    ctx->setFillColor(Color::white(1));
    path(*ctx);
    ctx->fillPath();
    return ctx->makeImage();
}

TEST(SurfaceContextTest, ArcsRunTheWayTheirFlagSaysAndRoundCorners) {
    // A half disc from angle 0 to pi. In y-down space increasing angles run through +y (down),
    // so clockwise=false fills the lower half and clockwise=true (decreasing) the upper half.
    for (bool clockwise : {false, true}) {
        auto img = filled([&](SurfaceContext& c) {
            c.moveToPoint(10, 10);
            c.addArc(10, 10, 8, 0, 3.1415927f, clockwise);
            c.closePath();
        });
        EXPECT_EQ(bgra(img, 10, 15)[3], clockwise ? 0 : 255) << clockwise;
        EXPECT_EQ(bgra(img, 10, 4)[3], clockwise ? 255 : 0) << clockwise;
    }
    // A full circle 0..2pi with the clockwise flag (as the touch ring draws it) is a full disc.
    auto disc = filled([](SurfaceContext& c) { c.addArc(10, 10, 8, 0, 6.2831855f, true); });
    for (auto [x, y] : {std::pair{10, 4}, {10, 15}, {4, 10}, {15, 10}}) EXPECT_EQ(bgra(disc, x, y)[3], 255);
    EXPECT_EQ(bgra(disc, 1, 1)[3], 0);

    // A square 0..20 whose top-left corner is rounded with radius 10.
    auto img = filled([](SurfaceContext& c) {
        c.moveToPoint(0, 20);
        c.addArcToPoint(0, 0, 20, 0, 10);
        c.addLineToPoint(20, 0);
        c.addLineToPoint(20, 20);
        c.closePath();
    });
    EXPECT_EQ(bgra(img, 0, 0)[3], 0);     // cut off by the rounding
    EXPECT_EQ(bgra(img, 1, 1)[3], 0);     // still outside the arc (nearest corner 11.3 from (10,10))
    EXPECT_EQ(bgra(img, 5, 5)[3], 255);   // inside
    EXPECT_EQ(bgra(img, 0, 15)[3], 255);  // straight edge below the arc
}

// How a blurred shadow fades: ThumbnailViewTest and IndicatorViewsTest, where views draw them.
TEST(SurfaceContextTest, ShadowsLieAtTheirOffsetInViewSpaceUntilCleared) {
    // An offset in view space moves the shadow down and right, under the shape.
    auto ctx = SurfaceContext::create(20, 20, 1);
    ctx->setShadow({4, 3}, 0, Color::black());
    ctx->setFillColor(Color::white(1));
    ctx->fillRect({2, 2, 4, 4});
    auto img = ctx->makeImage();
    EXPECT_EQ(bgra(img, 8, 7), (Bgra{0, 0, 0, 255}));   // hard shadow at (6..10, 5..9)
    EXPECT_EQ(bgra(img, 3, 3), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(bgra(img, 11, 7)[3], 0);
    // After clearShadow nothing more is shadowed.
    ctx->clearShadow();
    ctx->fillRect({12, 12, 2, 2});
    EXPECT_EQ(bgra(ctx->makeImage(), 17, 15)[3], 0);
}

TEST(SurfaceContextTest, TextIsMeasuredAndDrawn) {
    Font f = Font::system(20);
    Size one = GraphicsContext::measureText("Kestrova", f);
    EXPECT_GT(one.width, 40);
    EXPECT_GT(one.height, 18);
    EXPECT_LT(one.height, 30);
    // Wrapping at a narrow width makes it taller.
    Size wrapped = GraphicsContext::measureText("Kestrova camera shutter", f, 60);
    EXPECT_GT(wrapped.height, 2 * one.height - 1);
    // CJK falls back to a font that has the glyphs: it takes room.
    EXPECT_GT(GraphicsContext::measureText("\xe6\x97\xa5\xe6\x9c\xac", f).width, 30);
    // Drawing inks the text's box and takes the measured height.
    auto ctx = SurfaceContext::create(100, 30, 1);
    EXPECT_NEAR(ctx->drawText("HH", {0, 0, 100, 30}, f, Color::white(1)), one.height, 0.5);
    auto img = ctx->makeImage();
    int inked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) inked += bgra(img, x, y)[3] > 0;
    EXPECT_GT(inked, 40);
    EXPECT_EQ(bgra(img, 99, 29)[3], 0);
}
