#include "platform/graphics/SurfaceContext.h"
#include "ui/controls/ArrowView.h"
#include "ui/controls/GlowingCircleView.h"
#include "ui/controls/HideTriangleView.h"

#include <gtest/gtest.h>

#include <array>

namespace kestrova {
namespace {

using platform::Rect;
using Bgra = std::array<int, 4>;

constexpr Bgra kWhite{255, 255, 255, 255};
constexpr Bgra kClear{0, 0, 0, 0};

// Draws `view` at `scale` device pixels a point and reads pixels by point coordinates: (x, y)
// is the device pixel whose top-left corner is at that point.
class Rendering {
public:
    Rendering(platform::View& view, float scale) : scale_(scale) {
        const Rect b = view.bounds();
        ctx_ = platform::SurfaceContext::create(int(b.width() * scale), int(b.height() * scale), scale);
        view.drawRect(*ctx_, b);
        image_ = ctx_->makeImage();
    }
    Bgra at(float x, float y) const {
        const uint8_t* p = image_->pixel(int(x * scale_), int(y * scale_));
        return {p[0], p[1], p[2], p[3]};
    }
    // Only the black shadow can be here: no white at all.
    bool darkAt(float x, float y) const {
        Bgra c = at(x, y);
        return c[0] == 0 && c[1] == 0 && c[2] == 0;
    }

private:
    float scale_;
    std::unique_ptr<platform::SurfaceContext> ctx_;
    platform::ImageRef image_;
};

// 56 x 48 makes the fractions whole. Rendered at 4x so the 1.8-point strokes have solid pixels.
// Up: apex (28, 27), base at y 35 from x 23 to 33; down (direction 0): mirrored about y 30.
TEST(HideTriangleViewTest, PointsUpOrDownWithApexAndBaseInPlace) {
    for (int direction : {1, 0}) {
        SCOPED_TRACE(direction);
        HideTriangleView triangle(Rect(0, 0, 56, 48));
        triangle.awakeFromNib();
        triangle.setDirection(direction);
        Rendering r(triangle, 4);
        auto y = [&](float up) { return direction == 1 ? up : 60 - up; };
        EXPECT_EQ(r.at(28, direction == 1 ? 27 : 32.9f), kWhite);  // apex
        EXPECT_EQ(r.at(23, direction == 1 ? 35 : 24.9f), kWhite);   // base end
        EXPECT_EQ(r.at(25.5f, y(31)), kWhite);                      // halfway down the left side
        // Inside the triangle and beyond its ends there is no stroke, only shadow.
        EXPECT_TRUE(r.darkAt(28, y(31.5f)));
        EXPECT_TRUE(r.darkAt(21.5f, y(35)));
        // The shadow glows next to the stroke and is gone far away.
        EXPECT_GT(r.at(28, y(37))[3], 0);
        EXPECT_EQ(r.at(2, 2), kClear);
    }
}

// 64 x 64: pointing right, the first chevron runs through (24, 18), (26, 22), (24, 26), the
// second 4 points on; pointing left (the default) they are mirrored about x 32.
TEST(ArrowViewTest, ChevronsPointLeftByDefaultAndRightWhenTurned) {
    for (int direction : {1, 0}) {
        SCOPED_TRACE(direction);
        ArrowView arrow(Rect(0, 0, 64, 64));
        arrow.awakeFromNib();
        EXPECT_EQ(arrow.direction(), 0);
        arrow.setDirection(direction);
        Rendering r(arrow, 4);
        auto x = [&](float right) { return direction == 1 ? right : 63.9f - right; };
        for (float first : {24.0f, 28.0f}) {
            EXPECT_EQ(r.at(x(first), 18), kWhite) << first;
            EXPECT_EQ(r.at(x(first + 2), 22), kWhite) << first;  // tip
            EXPECT_EQ(r.at(x(first), 25.9f), kWhite) << first;
        }
        // Between the chevrons and before the first: shadow only; nothing joins the open ends.
        EXPECT_TRUE(r.darkAt(x(28), 22));
        EXPECT_TRUE(r.darkAt(x(24), 22));
        EXPECT_EQ(r.at(50, 50), kClear);
    }
}

TEST(GlowingCircleViewTest, DiscInscribedInNonSquareBounds) {
    GlowingCircleView circle(Rect(0, 0, 40, 20));
    circle.setAlpha(0.3f);
    circle.awakeFromNib();
    EXPECT_EQ(circle.alpha(), 1.0f);
    Rendering r(circle, 1);
    // Radius 10 about (20, 10). Pixels wholly within 9.1 of the centre are solid white...
    EXPECT_EQ(r.at(20, 1), kWhite);
    EXPECT_EQ(r.at(28, 10), kWhite);
    // ...the disc reaches the top row (edge pixels, antialiased)...
    EXPECT_GT(r.at(20, 0)[3], 200);
    // ...and nothing lies 11 or more from the centre.
    EXPECT_EQ(r.at(31, 10), kClear);
}

}  // namespace
}  // namespace kestrova
