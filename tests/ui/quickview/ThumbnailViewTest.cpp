#include "QuickViewFixture.h"

#include "platform/graphics/SurfaceContext.h"
#include "tests/ui/quickview/ThumbnailViewTestApi.h"

#include <cmath>

namespace kestrova {
namespace {

using platform::AffineTransform;
using platform::Point;
using test::QuickViewFixture;

class ThumbnailViewTest : public QuickViewFixture {
protected:
    static constexpr float kX = 288.4f;  // the stack's x, docked right
};

TEST_F(ThumbnailViewTest, TapTogglesTheFanOnlyWithinTheWindowAndWithTwoThumbnails) {
    ThumbnailView* only = add(1);
    // One thumbnail: the tap selects it and parks the tab at its height, but cannot fan out.
    tap(kX, 360);
    EXPECT_FALSE(manager_->getFanout());
    EXPECT_EQ(manager_->selectedImage(), only);
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"hide", "move"}));
    EXPECT_FLOAT_EQ(delegate_.parkedY, 360.0f);

    // Two: a tap fans out, another collapses.
    add(2);
    tap(kX, 360);
    EXPECT_TRUE(manager_->getFanout());
    tap(kX, 360);
    EXPECT_FALSE(manager_->getFanout());

    // Lifted after the 0.3 s window: no toggle.
    down(kX, 360);
    runFor(0.31);
    up();
    EXPECT_FALSE(manager_->getFanout());
}

TEST_F(ThumbnailViewTest, OlderThumbnailAnswersOnlyWhenFannedOutAndBlowsUpAfterHalfASecond) {
    ThumbnailView* older = add(1);
    ThumbnailView* newest = add(2);
    runFor(0.5);
    // Collapsed: the older one stands at y 345, the newest at 360 in front. A point above the
    // newest's frame hits only the older one, which ignores it.
    down(kX, 310);
    EXPECT_EQ(manager_->selectedImage(), nullptr);
    EXPECT_FALSE(ThumbnailViewTestApi(*older).blowupPending());
    runFor(0.6);
    up();
    EXPECT_EQ(older->transform(), manager_->smallTransform());
    EXPECT_TRUE(delegate_.calls.empty());

    // Fanned out, the same thumbnail answers: a tap selects it and leaves the fan open...
    manager_->setFanout(true);
    runFor(0.5);
    ASSERT_FLOAT_EQ(older->center().y, 275.8f);
    tap(kX, 275.8f);
    EXPECT_TRUE(manager_->getFanout());
    EXPECT_EQ(manager_->selectedImage(), older);
    runFor(0.5);
    // ...and held 0.5 s it grows to full size mid-page.
    manager_->setSelectedImage(nullptr);
    down(kX, 275.8f);
    EXPECT_EQ(manager_->selectedImage(), older);
    EXPECT_TRUE(ThumbnailViewTestApi(*older).blowupPending());
    runFor(0.49);
    EXPECT_EQ(older->transform(), manager_->smallTransform());
    runFor(0.02);
    EXPECT_EQ(older->transform(), AffineTransform::identity());
    EXPECT_EQ(older->center(), (Point{160, 240}));
    EXPECT_EQ(host_->subviews().back().get(), older);
    // Released, it shrinks back; when the shrink ends the newest is in front again.
    up();
    EXPECT_EQ(older->center(), (Point{kX, 275.8f}));
    EXPECT_TRUE(manager_->getFanout());  // held past the tap window: no toggle
    runFor(0.4);
    EXPECT_EQ(host_->subviews().back().get(), newest);
    EXPECT_FALSE(older->isAnimating());
}

TEST_F(ThumbnailViewTest, DragOf150ShowsNoTabAnd170ShowsIt) {
    ThumbnailView* t = add(1);
    // Sideways travel beyond a quarter of the 67.2-point frame starts the drag, along the row,
    // with the finger up to 15 points off it.
    down(kX, 360);
    move(kX - 16, 374);
    EXPECT_FALSE(ThumbnailViewTestApi(*t).dragging());
    move(kX - 17, 374);
    EXPECT_TRUE(ThumbnailViewTestApi(*t).dragging());
    EXPECT_FALSE(ThumbnailViewTestApi(*t).blowupPending());
    EXPECT_EQ(t->center(), (Point{kX - 17, 360}));
    // Once dragging, the finger may wander further off its row and back: the thumbnail follows
    // it along its row all the way.
    move(kX - 60, 380);
    dragTo(kX - 60, 360, kX - 150);
    EXPECT_EQ(t->center(), (Point{kX - 150, 360}));
    up();
    EXPECT_EQ(delegate_.count("show"), 0);
    EXPECT_EQ(t->center(), (Point{kX, 360}));  // slides back into its place
    runFor(0.4);

    // 170 points: the tab is asked for, after parking it at the thumbnail's height (not the
    // finger's).
    delegate_.calls.clear();
    down(kX, 365);
    dragTo(kX, 365, kX - 170);
    runFor(0.6);  // a drag never blows up
    EXPECT_EQ(t->transform(), manager_->smallTransform());
    up();
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"hide", "move", "show"}));
    EXPECT_FLOAT_EQ(delegate_.parkedY, 360.0f);
    EXPECT_FALSE(manager_->getFanout());
    EXPECT_EQ(t->center(), (Point{kX, 360}));
}

TEST_F(ThumbnailViewTest, LeavingTheBandSnapsToTheRowAndIgnoresLaterMoves) {
    ThumbnailView* t = add(1);
    down(kX, 360);
    runFor(0.55);
    ASSERT_EQ(t->transform(), AffineTransform::identity());  // blown up
    // 16 points up before any sideways travel: back to small size under the finger, on its row.
    move(kX - 5, 344);
    EXPECT_TRUE(ThumbnailViewTestApi(*t).stopDrag());
    EXPECT_EQ(t->transform(), manager_->smallTransform());
    EXPECT_EQ(t->center(), (Point{kX - 5, 360}));
    // Moves back inside the band are ignored, even far sideways, and no tab follows the release.
    move(kX - 100, 360);
    EXPECT_EQ(t->center(), (Point{kX - 5, 360}));
    move(kX - 200, 360);
    up();
    EXPECT_EQ(delegate_.count("show"), 0);
    EXPECT_EQ(t->center(), (Point{kX, 360}));
}

TEST_F(ThumbnailViewTest, CancelledTouchEndsShrunkInPlaceWithNoBlowupPending) {
    add(1);
    ThumbnailView* newest = add(2);
    // Cancelled while the blow-up is pending: it never comes.
    down(kX, 360);
    window_.touchCancel(0, now());
    EXPECT_FALSE(ThumbnailViewTestApi(*newest).blowupPending());
    runFor(1.0);
    EXPECT_EQ(newest->transform(), manager_->smallTransform());
    EXPECT_FALSE(manager_->getFanout());

    // Cancelled mid-drag, far sideways: back in its place, no tab.
    down(kX, 360);
    dragTo(kX, 360, kX - 170);
    window_.touchCancel(0, now());
    EXPECT_EQ(newest->center(), (Point{kX, 360}));
    EXPECT_EQ(delegate_.count("show"), 0);

    // Cancelled while blown up: it shrinks back into its place.
    down(kX, 360);
    runFor(0.6);
    ASSERT_EQ(newest->transform(), AffineTransform::identity());
    window_.touchCancel(0, now());
    runFor(0.4);
    EXPECT_EQ(newest->presentation().transform, manager_->smallTransform());
    EXPECT_EQ(newest->presentation().center, (Point{kX, 360}));
}

TEST_F(ThumbnailViewTest, MatIsARoundedTranslucentGreyWithABlurredShadow) {
    // A 40 x 40 thumbnail: picture at 8..32, mat at 4..36, corner radius 5.
    std::vector<uint8_t> px(2 * 2 * 4, 0);
    ThumbnailView t(platform::Rect(0, 0, 40, 40), platform::Image::createBGRX(2, 2, std::move(px)), nullptr, 1);
    auto ctx = platform::SurfaceContext::create(40, 40, 1);
    t.drawRect(*ctx, t.bounds());
    auto image = ctx->makeImage();
    auto alpha = [&](int x, int y) { return int(image->pixel(x, y)[3]); };
    // Inside the mat: grey at 0.7 over its own shadow; premultiplied grey equals half the alpha.
    const uint8_t* mid = image->pixel(6, 20);
    EXPECT_GE(mid[3], 178);  // at least the mat's own 0.7
    EXPECT_NEAR(mid[0], 128 * 0.7, 3);
    EXPECT_EQ(mid[0], mid[1]);
    EXPECT_EQ(mid[1], mid[2]);
    // The rounded corner: the mat's bounding-box corner pixel is lighter than its edge midpoint.
    EXPECT_LT(alpha(4, 4), alpha(4, 20));
    // The blurred shadow reaches outside the mat, fading with distance, and not to the edge.
    EXPECT_GT(alpha(2, 20), 0);
    EXPECT_GT(alpha(2, 20), alpha(1, 20));
    EXPECT_EQ(alpha(0, 0), 0);
}

}  // namespace
}  // namespace kestrova
