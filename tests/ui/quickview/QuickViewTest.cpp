#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/SurfaceContext.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"
#include "ui/quickview/DeleteCancelView.h"
#include "ui/quickview/ThumbnailManager.h"
#include "ui/quickview/ThumbnailView.h"
#include "ui/quickview/ThumbnailViewDelegate.h"
#include "tests/ui/quickview/ThumbnailViewTestApi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace kestrova {
namespace {

using platform::AffineTransform;
using platform::Point;
using platform::Rect;

class RecordingThumbnailDelegate : public ThumbnailViewDelegate {
public:
    void moveDeleteToYCoordinate(float y) override {
        calls.push_back("move");
        parkedY = y;
    }
    void hideDelete() override { calls.push_back("hide"); }
    void showDelete() override { calls.push_back("show"); }
    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }

    std::vector<std::string> calls;
    float parkedY = -1;
};

// A 320 x 480 window with the camera page's host view, a thumbnail stack docked right, a delegate
// that records what the thumbnails ask of it, and the main run loop on a manual clock.
class QuickViewFixture : public ::testing::Test {
protected:
    // A fan image of 320 x 400 makes a 336 x 416 thumbnail: 67.2 x 83.2 points at scale 0.2.
    static constexpr float kThumbWidth = 336, kThumbHeight = 416;

    QuickViewFixture() : loop_(clock_), window_(platform::Rect(0, 0, 320, 480)) {
        platform::RunLoop::setMain(&loop_);
        host_ = window_.addSubview(std::make_unique<platform::View>(platform::Rect(0, 0, 320, 480)));
        manager_ = std::make_unique<ThumbnailManager>(host_, DockSide::Right);
        manager_->setEnabled(true);
        manager_->setDelegate(&delegate_);
    }
    ~QuickViewFixture() override {
        manager_.reset();
        platform::RunLoop::setMain(nullptr);
    }

    ThumbnailView* add(int32_t number) {
        std::vector<uint8_t> px(2 * 2 * 4, 0x80);
        auto thumb = std::make_unique<ThumbnailView>(platform::Rect(0, 0, kThumbWidth, kThumbHeight),
                                                     platform::Image::createBGRX(2, 2, std::move(px)), &delegate_,
                                                     number);
        ThumbnailView* raw = thumb.get();
        manager_->addPreview(std::move(thumb));
        return raw;
    }
    std::vector<float> ys() const {
        std::vector<float> out;
        for (auto* t : manager_->previews()) out.push_back(t->center().y);
        return out;
    }

    double now() const { return clock_.now(); }
    void runFor(double s) { loop_.runFor(platform::Seconds(s)); }
    void down(float x, float y) { window_.touchDown(0, {x, y}, now()); }
    void move(float x, float y) { window_.touchMove(0, {x, y}, now()); }
    void up() { window_.touchUp(0, now()); }
    void tap(float x, float y) {
        down(x, y);
        runFor(0.05);
        up();
    }
    // Moves the finger sideways in 10-point steps, 0.02 s apart.
    void dragTo(float x0, float y, float x1) {
        const float dir = x1 > x0 ? 1.0f : -1.0f;
        for (float x = x0 + 10 * dir; dir * (x1 - x) > 0; x += 10 * dir) {
            move(x, y);
            runFor(0.02);
        }
        move(x1, y);
    }

    platform::ManualClock clock_;
    platform::RunLoop loop_;
    platform::Window window_;
    platform::View* host_ = nullptr;
    RecordingThumbnailDelegate delegate_;
    std::unique_ptr<ThumbnailManager> manager_;
};

class ThumbnailManagerTest : public QuickViewFixture {};

TEST_F(ThumbnailManagerTest, CentresCollapsedFannedAndHidden) {
    // Docked right on a 320-point host: 31.6 inside the edge, 31.6 beyond it while hidden. One
    // thumbnail stands at the stack's centre: no step is needed, and none divides by zero.
    ThumbnailView* first = add(1);
    EXPECT_EQ(first->center(), (Point{288.4f, 360}));
    EXPECT_EQ(first->transform(), platform::AffineTransform::makeScale(0.2f, 0.2f));

    // Collapsed steps are whole points: 15, 7 (not 7.5), 5.
    add(2);
    EXPECT_EQ(ys(), (std::vector<float>{345, 360}));
    add(3);
    EXPECT_EQ(ys(), (std::vector<float>{346, 353, 360}));
    add(4);
    EXPECT_EQ(ys(), (std::vector<float>{345, 350, 355, 360}));

    // Fanned out: 84.2 apart, newest lowest.
    manager_->setFanout(true);
    EXPECT_FLOAT_EQ(ys()[0], 107.4f);
    manager_->setFanout(false);

    // Hidden: beyond the edge at opacity 0, and the tab is taken away; shown again, all returns.
    delegate_.calls.clear();
    manager_->setHidden(true);
    ThumbnailView* last = manager_->previews().back();
    EXPECT_FLOAT_EQ(last->center().x, 351.6f);
    EXPECT_FLOAT_EQ(last->alpha(), 0.0f);
    EXPECT_EQ(delegate_.count("hide"), 1);
    manager_->setHidden(false);
    EXPECT_FLOAT_EQ(last->center().x, 288.4f);
    EXPECT_FLOAT_EQ(last->alpha(), 1.0f);

    // Docked left: 31.6 from the left edge, -31.6 while hidden.
    manager_->setDockSide(DockSide::Left);
    EXPECT_FLOAT_EQ(first->center().x, 31.6f);
    manager_->setHidden(true);
    EXPECT_FLOAT_EQ(first->center().x, -31.6f);
}

TEST_F(ThumbnailManagerTest, ThumbnailsLeavingTheListTakeTheirSelection) {
    ThumbnailView* one = add(1);
    ThumbnailView* two = add(2);
    add(3);
    add(4);
    manager_->setSelectedImage(one);
    add(5);
    ASSERT_EQ(manager_->previews().size(), 4u);
    EXPECT_EQ(manager_->previews().front()->imageIndex(), 2);
    EXPECT_EQ(host_->subviewCount(), 4u);
    // The evicted thumbnail was the selection: it is cleared, and deletion finds no picture.
    EXPECT_EQ(manager_->selectedImage(), nullptr);
    manager_->removeSelectedImage();
    EXPECT_EQ(manager_->previews().size(), 4u);

    // A selection that stays in the list survives the next eviction.
    ThumbnailView* three = manager_->previews()[1];
    manager_->setSelectedImage(three);
    add(6);
    EXPECT_EQ(host_->indexOfSubview(two), -1);
    EXPECT_EQ(manager_->selectedImageIndex(), 3);

    // Removing the selection takes it off the screen and closes the gap.
    manager_->removeSelectedImage();
    EXPECT_EQ(manager_->selectedImage(), nullptr);
    EXPECT_EQ(host_->indexOfSubview(three), -1);
    EXPECT_EQ(ys(), (std::vector<float>{346, 353, 360}));
    // Removed by itself (a picture that was lost), the selection goes with it too.
    ThumbnailView* newest = manager_->previews().back();
    manager_->setSelectedImage(newest);
    manager_->removePreview(newest);
    EXPECT_EQ(manager_->selectedImage(), nullptr);
}

TEST_F(ThumbnailManagerTest, EnabledFanAndRestoredOrder) {
    // Switched off, thumbnails are still collected, invisible; switched on they all show.
    manager_->setEnabled(false);
    add(1);
    add(2);
    EXPECT_FLOAT_EQ(manager_->previews()[0]->alpha(), 0.0f);
    manager_->setEnabled(true);
    EXPECT_FLOAT_EQ(manager_->previews()[0]->alpha(), 1.0f);
    EXPECT_FLOAT_EQ(manager_->previews()[1]->alpha(), 1.0f);

    // The fan needs two thumbnails; with one it stays collapsed.
    manager_->removePreviewUsingIndex(0);
    manager_->setFanout(true);
    EXPECT_FALSE(manager_->getFanout());
    add(3);
    manager_->setFanout(true);
    EXPECT_TRUE(manager_->getFanout());
    delegate_.calls.clear();
    manager_->collapse();
    EXPECT_FALSE(manager_->getFanout());
    EXPECT_EQ(delegate_.count("hide"), 1);

    // Something brought to the front above the newest is put back behind it.
    ThumbnailView* older = manager_->previews()[0];
    host_->bringSubviewToFront(older);
    manager_->restoreOrder();
    EXPECT_EQ(host_->indexOfSubview(older), 0);
}

class ThumbnailViewTest : public QuickViewFixture {
protected:
    static constexpr float kX = 288.4f;  // the stack's x, docked right
};

TEST_F(ThumbnailViewTest, TapTogglesTheFanOnlyWithinTheWindow) {
    add(1);
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
    runFor(0.4);
    EXPECT_EQ(host_->subviews().back().get(), newest);
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
    EXPECT_GT(alpha(2, 20), alpha(1, 20));
    EXPECT_EQ(alpha(0, 0), 0);
}

std::unique_ptr<platform::Button> button(const Rect& frame, int32_t tag) {
    auto b = std::make_unique<platform::Button>(frame);
    b->setTag(tag);
    return b;
}

TEST(DeleteCancelViewTest, ButtonsSitByTagAndSideWithDeleteAtTheScreenEdge) {
    DeleteCancelView tab(Rect(-170, 0, 170, 50));
    EXPECT_EQ(tab.dockSide(), DockSide::Right);
    auto* del = tab.addButton(button(Rect(10, 3, 60, 44), DeleteCancelView::kDeleteTag));
    auto* cancel = tab.addButton(button(Rect(90, 3, 60, 44), DeleteCancelView::kCancelTag));
    auto* other = tab.addButton(button(Rect(33, 7, 20, 20), 12));

    // Stack docked right, tab on the left: "Delete" at the left (screen-edge) end.
    EXPECT_EQ(del->frame(), Rect(10, 3, 60, 44));
    EXPECT_EQ(cancel->frame(), Rect(90, 3, 60, 44));

    // Docked left, tab on the right: mirrored; vertical places and other tags stay.
    tab.setDockSide(DockSide::Left);
    EXPECT_EQ(cancel->frame(), Rect(20, 3, 60, 44));
    EXPECT_EQ(del->frame(), Rect(100, 3, 60, 44));
    EXPECT_EQ(other->frame(), Rect(33, 7, 20, 20));
    EXPECT_TRUE(tab.needsDisplay());
}

// Alpha of the drawn tab at a point, rendered at 1x into a transparent 170 x 50 surface.
class TabPixels {
public:
    TabPixels(DockSide side, float radius) : tab_(Rect(0, 0, 170, 50)) {
        tab_.setDockSide(side);
        auto ctx = platform::SurfaceContext::create(170, 50, 1);
        tab_.drawTab(*ctx, radius);
        image_ = ctx->makeImage();
    }
    int alpha(int x, int y) const { return image_->pixel(x, y)[3]; }
    int blue(int x, int y) const { return image_->pixel(x, y)[0]; }

private:
    DeleteCancelView tab_;
    platform::ImageRef image_;
};

TEST(DeleteCancelViewTest, TabIsTranslucentGreyOpenAtTheScreenEdgeAndMirroredForTheLeftDock) {
    // Side 1: 95 % of the width from the left edge (0..161.5), 85.5 % of the height centred
    // (3.6..46.4). Fill white 0.5 at alpha 0.3: premultiplied grey 38, alpha 77 (rounded).
    TabPixels right(DockSide::Right, DeleteCancelView::kTabRadius);
    EXPECT_NEAR(right.alpha(80, 25), 77, 1);
    EXPECT_NEAR(right.blue(80, 25), 38, 1);
    EXPECT_EQ(right.alpha(165, 25), 0);
    EXPECT_EQ(right.alpha(80, 1), 0);
    // The white outline runs along the top; the screen edge (x 0) has none, so the edge pixel
    // carries the fill only.
    EXPECT_GT(right.alpha(80, 3), right.alpha(80, 25));
    EXPECT_NEAR(right.alpha(0, 25), 77, 1);
    // The inner end has an outline.
    EXPECT_GT(right.alpha(161, 25), right.alpha(80, 25));

    // Side 0: the same shape mirrored to the right edge.
    TabPixels left(DockSide::Left, DeleteCancelView::kTabRadius);
    EXPECT_EQ(left.alpha(4, 25), 0);
    EXPECT_NEAR(left.alpha(169, 25), 77, 1);
    EXPECT_GT(left.alpha(8, 25), left.alpha(89, 25));
}

}  // namespace
}  // namespace kestrova
