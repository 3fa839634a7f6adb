#include "platform/graphics/SurfaceContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace platform;

namespace {

struct Px {
    int b, g, r, a;
    bool operator==(const Px&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Px& p) {
    return os << "(b" << p.b << " g" << p.g << " r" << p.r << " a" << p.a << ")";
}
Px at(const ImageRef& img, int x, int y) {
    const uint8_t* p = img->pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

}  // namespace

TEST(SurfaceContextTest, BadSizesGiveNoContext) {
    EXPECT_EQ(SurfaceContext::create(0, 10), nullptr);
    EXPECT_EQ(SurfaceContext::create(10, -1), nullptr);
    EXPECT_EQ(SurfaceContext::create(10, 10, 0), nullptr);
    EXPECT_EQ(SurfaceContext::create(10, 10, std::nanf("")), nullptr);
}

TEST(SurfaceContextTest, CtmStateAndAlpha) {
    auto ctx = SurfaceContext::create(4, 4, 1);
    ASSERT_TRUE(ctx);
    // getCTM is relative to the view's own space, without the scale factor.
    ctx->saveGState();
    ctx->translateCTM(2, 1);
    ctx->scaleCTM(1, -1);
    EXPECT_EQ(ctx->getCTM(), (AffineTransform{1, 0, 0, -1, 2, 1}));
    ctx->setFillColor(Color::white(1));
    ctx->setAlpha(0.5f);
    ctx->restoreGState();
    EXPECT_TRUE(ctx->getCTM().isIdentity());
    EXPECT_EQ(ctx->fillColor(), Color::black());
    EXPECT_EQ(ctx->alpha(), 1.0f);
    // Half alpha on opaque blue gives premultiplied 128 in blue and alpha.
    ctx->setFillColor(Color::rgba(0, 0, 1));
    ctx->setAlpha(0.5f);
    ctx->fillRect({0, 0, 1, 1});
    auto img = ctx->makeImage();
    EXPECT_EQ(at(img, 0, 0), (Px{128, 0, 0, 128}));
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
    EXPECT_EQ(at(img, 0, 0), (Px{0, 255, 0, 255}));
    EXPECT_EQ(at(img, 1, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(at(img, 2, 0), (Px{0, 255, 0, 255}));
    EXPECT_EQ(at(img, 3, 0), (Px{0, 0, 255, 255}));
    // The image is a copy: later drawing does not reach it.
    ctx->fillAll(Color::black());
    EXPECT_EQ(at(img, 0, 0), (Px{0, 255, 0, 255}));
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
        EXPECT_EQ(at(img, 10, 15).a, clockwise ? 0 : 255) << clockwise;
        EXPECT_EQ(at(img, 10, 4).a, clockwise ? 255 : 0) << clockwise;
    }
    // A full circle 0..2pi with the clockwise flag (as the touch ring draws it) is a full disc.
    auto disc = filled([](SurfaceContext& c) { c.addArc(10, 10, 8, 0, 6.2831855f, true); });
    for (auto [x, y] : {std::pair{10, 4}, {10, 15}, {4, 10}, {15, 10}}) EXPECT_EQ(at(disc, x, y).a, 255);
    EXPECT_EQ(at(disc, 1, 1).a, 0);

    // A square 0..20 whose top-left corner is rounded with radius 10.
    auto img = filled([](SurfaceContext& c) {
        c.moveToPoint(0, 20);
        c.addArcToPoint(0, 0, 20, 0, 10);
        c.addLineToPoint(20, 0);
        c.addLineToPoint(20, 20);
        c.closePath();
    });
    EXPECT_EQ(at(img, 0, 0).a, 0);     // cut off by the rounding
    EXPECT_EQ(at(img, 1, 1).a, 0);     // still outside the arc (nearest corner 11.3 from (10,10))
    EXPECT_EQ(at(img, 5, 5).a, 255);   // inside
    EXPECT_EQ(at(img, 0, 15).a, 255);  // straight edge below the arc
    EXPECT_EQ(at(img, 15, 0).a, 255);  // straight edge right of the arc
}

TEST(SurfaceContextTest, BlurredShadowSpreadsBeyondTheShape) {
    auto ctx = SurfaceContext::create(40, 40, 1);
    ASSERT_TRUE(ctx);
    ctx->setFillColor(Color::white(1));
    ctx->setShadow({0, 0}, 6, Color::black());
    ctx->fillRect({15, 15, 10, 10});
    auto img = ctx->makeImage();
    // The shape itself is on top of its shadow.
    EXPECT_EQ(at(img, 20, 20), (Px{255, 255, 255, 255}));
    // Outside the shape the shadow fades with distance: some darkness 2 pixels out, less 4 out,
    // none far away. An offset copy would be either fully there or not at all.
    int a2 = at(img, 12, 20).a, a4 = at(img, 10, 20).a, a1 = at(img, 14, 20).a;
    EXPECT_GT(a1, a2);
    EXPECT_GT(a2, a4);
    EXPECT_GT(a4, 0);
    EXPECT_LT(a1, 255);
    EXPECT_EQ(at(img, 0, 0).a, 0);
    // Shadow pixels are black (premultiplied: colour bytes 0).
    EXPECT_EQ(at(img, 12, 20).r, 0);

    // An offset in view space moves the shadow down and right.
    auto ctx2 = SurfaceContext::create(20, 20, 1);
    ctx2->setShadow({4, 3}, 0, Color::black());
    ctx2->setFillColor(Color::white(1));
    ctx2->fillRect({2, 2, 4, 4});
    auto img2 = ctx2->makeImage();
    EXPECT_EQ(at(img2, 8, 7), (Px{0, 0, 0, 255}));   // hard shadow at (6..10, 5..9)
    EXPECT_EQ(at(img2, 3, 3), (Px{255, 255, 255, 255}));
    EXPECT_EQ(at(img2, 11, 7).a, 0);
    // After clearShadow nothing more is shadowed.
    ctx2->clearShadow();
    ctx2->fillRect({12, 12, 2, 2});
    EXPECT_EQ(at(ctx2->makeImage(), 17, 15).a, 0);
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
    auto ctx = SurfaceContext::create(100, 30, 1);
    float h = ctx->drawText("HH", {0, 0, 100, 30}, f, Color::white(1));
    EXPECT_NEAR(h, one.height, 0.5);
    auto img = ctx->makeImage();
    int inked = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x) inked += at(img, x, y).a > 0;
    EXPECT_GT(inked, 40);
    EXPECT_EQ(at(img, 99, 29).a, 0);
}
