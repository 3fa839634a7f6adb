#include "OptionsBarFixture.h"

#include "platform/graphics/SurfaceContext.h"
#include "platform/ui/Label.h"
#include "platform/ui/Object.h"
#include "ui/controls/SnapButtonViewDelegate.h"
#include "tests/ui/controls/SnapButtonViewTestApi.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kestrova {
namespace {

using platform::Rect;
using platform::TouchPhase;

// Records what the shutter area asks and tells; `allow` is its answer to snapEnabled.
class FakeSnapButtonViewDelegate : public platform::Object, public SnapButtonViewDelegate {
public:
    struct ZoomCall {
        float zoom;
        bool animate;
    };

    bool snapEnabled() override { return allow; }
    void updateZoom(float zoom, bool animate) override { zoomCalls.push_back({zoom, animate}); }
    void performCapture() override { ++captures; }
    void stopTimer() override {}

    bool allow = true;
    int captures = 0;
    std::vector<ZoomCall> zoomCalls;
};

// The shutter area of the options bar's fixture, the bar slid down below it.
class SnapButtonViewTest : public test::OptionsBarFixture {
protected:
    SnapButtonViewTest() : button_(snap_) {
        button_->awakeFromNib();
        button_->setDelegate(&delegate_);
    }

    void down(int f, float x, float y) { window_.touchDown(f, {x, y}, now()); }
    void move(int f, float x, float y) { window_.touchMove(f, {x, y}, now()); }
    void up(int f) { window_.touchUp(f, now()); }
    void tap(float x, float y) {
        down(0, x, y);
        runFor(0.05);
        up(0);
    }
    float labelAlpha() const { return api().zoomLabel()->presentation().alpha; }

    SnapButtonViewTestApi api() const { return SnapButtonViewTestApi(*button_); }

    SnapButtonView* button_;
    FakeSnapButtonViewDelegate delegate_;
};

TEST_F(SnapButtonViewTest, TapShootsOnReleaseAndRestingFingerGetsRingAtHalfSecond) {
    // Awake: a translucent grey area whose zoom label waits, hidden, at "x 1.00".
    EXPECT_EQ(button_->backgroundColor(), platform::Color::white(0.5f, 0.5f));
    EXPECT_EQ(api().zoomLabel()->text(), "x 1.00");
    EXPECT_EQ(labelAlpha(), 0.0f);
    // A short tap: nothing until the lift, then one capture and never a ring.
    down(0, 100, 100);
    runFor(0.3);
    EXPECT_EQ(delegate_.captures, 0);
    up(0);
    EXPECT_EQ(delegate_.captures, 1);
    runFor(1.0);
    EXPECT_FALSE(api().isTouchRingShown());

    // A resting finger: the ring appears at 0.5 s.
    down(0, 60, 80);
    runFor(0.49);
    EXPECT_FALSE(api().isTouchRingShown());
    runFor(0.02);
    EXPECT_TRUE(api().isTouchRingShown());
    // Lifted inside the ring: it shoots and the ring goes.
    up(0);
    EXPECT_EQ(delegate_.captures, 2);
    EXPECT_FALSE(api().isTouchRingShown());
}

TEST_F(SnapButtonViewTest, SlideToleranceIsStrictlyBeyondTheRadius) {
    // Exactly the radius (35), straight and diagonally (21² + 28² = 35²), keeps the press.
    down(0, 100, 100);
    move(0, 135, 100);
    move(0, 121, 128);
    up(0);
    EXPECT_EQ(delegate_.captures, 1);

    // One point beyond abandons it, the pending ring with it; coming back does not revive it.
    down(0, 100, 100);
    move(0, 136, 100);
    runFor(1.0);
    EXPECT_FALSE(api().isTouchRingShown());
    move(0, 100, 100);
    up(0);
    EXPECT_EQ(delegate_.captures, 1);

    // With the ring on screen, sliding out hides it. Radius 50 here.
    button_->setTouchRingSize(TouchRingSize::Medium);
    down(0, 100, 100);
    runFor(0.6);
    ASSERT_TRUE(api().isTouchRingShown());
    move(0, 100, 150);
    EXPECT_TRUE(api().isTouchRingShown());
    move(0, 100, 150.5f);
    EXPECT_FALSE(api().isTouchRingShown());
    up(0);
    EXPECT_EQ(delegate_.captures, 1);
}

TEST_F(SnapButtonViewTest, PinchFollowsTheSpeedFactorAndEndsInRange) {
    // First pinch at zoom 1.0 (k = 0.1125): spreading 20 -> 125 points is 2.1 units.
    down(0, 100, 100);
    down(1, 120, 100);
    EXPECT_EQ(labelAlpha(), 1.0f);
    move(1, 225, 100);
    ASSERT_EQ(delegate_.zoomCalls.size(), 1u);
    EXPECT_FLOAT_EQ(delegate_.zoomCalls[0].zoom, 1.23625f);
    EXPECT_FALSE(delegate_.zoomCalls[0].animate);
    EXPECT_EQ(api().zoomLabel()->text(), "x 1.24");
    // Lifted one after the other: the pinch ends in range, unanimated, and nothing shoots.
    up(1);
    ASSERT_EQ(delegate_.zoomCalls.size(), 2u);
    EXPECT_FALSE(delegate_.zoomCalls[1].animate);
    EXPECT_FALSE(api().zoomStarted());
    up(0);
    EXPECT_EQ(delegate_.captures, 0);

    // The label fades once the pinch has ended.
    runFor(0.75);
    EXPECT_EQ(labelAlpha(), 0.0f);

    // Second pinch 20 -> 215 brings the zoom to 2.00001; there a 50-point spread adds 0.3125.
    down(0, 100, 100);
    down(1, 120, 100);
    move(1, 315, 100);
    const float atTwo = button_->zoom();
    EXPECT_NEAR(atTwo, 2.0f, 2e-5f);
    move(0, 50, 100);
    EXPECT_NEAR(button_->zoom() - atTwo, 0.3125f, 1e-6f);
    // Separations are truncated to whole points: 265.9 counts as 265, so no change.
    move(0, 49.1f, 100);
    EXPECT_NEAR(button_->zoom() - atTwo, 0.3125f, 1e-6f);

    // Spread just past 3.0: the factor is unclamped during the pinch, clamped at its end.
    float x = 49;
    while (button_->zoom() <= 3.0f && x > -1000) move(0, --x, 100);
    ASSERT_LT(button_->zoom(), 3.5f);
    EXPECT_GT(delegate_.zoomCalls.back().zoom, 3.0f);
    window_.sendTouches({{0, TouchPhase::Ended, {x, 100}}, {1, TouchPhase::Ended, {315, 100}}}, now());
    EXPECT_EQ(delegate_.zoomCalls.back().zoom, 3.0f);
    EXPECT_TRUE(delegate_.zoomCalls.back().animate);
    EXPECT_EQ(api().zoomLabel()->text(), "x 3.00");
}

TEST_F(SnapButtonViewTest, SecondFingersDisarmTheShutter) {
    // One finger beside the bar below, then one on the shutter area: n = 2, a pinch, no shot, no
    // ring.
    down(0, 10, 470);
    down(1, 100, 100);
    EXPECT_TRUE(api().zoomStarted());
    runFor(1.0);
    EXPECT_FALSE(api().isTouchRingShown());
    up(1);
    up(0);
    EXPECT_EQ(delegate_.captures, 0);

    // Two fingers lifted together leave it disarmed: the next tap only re-arms, the one after
    // shoots.
    down(0, 100, 100);
    down(1, 200, 100);
    window_.sendTouches({{0, TouchPhase::Ended, {100, 100}}, {1, TouchPhase::Ended, {200, 100}}}, now());
    tap(100, 100);
    EXPECT_EQ(delegate_.captures, 0);
    tap(100, 100);
    EXPECT_EQ(delegate_.captures, 1);
}

// With the zoom switched off, or a delegate refusing, a pinch neither zooms nor shoots; a refusing
// delegate also gets no ring and no shot from a held tap.
TEST_F(SnapButtonViewTest, ZoomOffOrARefusingDelegateGetNoZoom) {
    for (const bool zoomOff : {true, false}) {
        SCOPED_TRACE(zoomOff ? "zoom off" : "refusing");
        button_->setZoomEnabled(!zoomOff);
        delegate_.allow = zoomOff;
        down(0, 100, 100);
        down(1, 120, 100);
        move(1, 220, 100);
        EXPECT_FALSE(api().zoomStarted());
        EXPECT_EQ(labelAlpha(), 0.0f);
        up(1);
        up(0);
        EXPECT_TRUE(delegate_.zoomCalls.empty());
        EXPECT_EQ(delegate_.captures, 0);
    }
    down(0, 100, 100);
    runFor(1.0);
    EXPECT_FALSE(api().isTouchRingShown());
    up(0);
    EXPECT_EQ(delegate_.captures, 0);
}

TEST_F(SnapButtonViewTest, CancelledTouchLeavesTheButtonIdle) {
    // Cancelled before the ring: no ring later, no shot.
    down(0, 100, 100);
    runFor(0.3);
    window_.touchCancel(0, now());
    runFor(1.0);
    EXPECT_FALSE(api().isTouchRingShown());
    EXPECT_EQ(delegate_.captures, 0);

    // Cancelled with the ring up: the ring goes.
    down(0, 100, 100);
    runFor(0.6);
    ASSERT_TRUE(api().isTouchRingShown());
    window_.cancelAllTouches(now());
    EXPECT_FALSE(api().isTouchRingShown());
    EXPECT_EQ(delegate_.captures, 0);

    // A pinch below 1 cut off (squeezing 100 -> 50 points gives 0.8875): the zoom is animated
    // back to 1 and the button is armed again, so the next tap shoots.
    down(0, 100, 100);
    down(1, 200, 100);
    move(1, 150, 100);
    EXPECT_FLOAT_EQ(button_->zoom(), 0.8875f);
    window_.cancelAllTouches(now());
    EXPECT_EQ(delegate_.zoomCalls.back().zoom, 1.0f);
    EXPECT_TRUE(delegate_.zoomCalls.back().animate);
    EXPECT_EQ(button_->zoom(), 1.0f);
    EXPECT_FALSE(api().zoomStarted());
    tap(100, 100);
    EXPECT_EQ(delegate_.captures, 1);
}

TEST_F(SnapButtonViewTest, BadTouchRingSizesAreSmall) {
    // Sizes outside the range (a bad stored preference) are small.
    for (int bad : {3, -1}) {
        button_->setTouchRingSize(TouchRingSize(bad));
        EXPECT_EQ(button_->touchRingRadius(), 35) << bad;
        EXPECT_EQ(button_->touchRingSize(), TouchRingSize::Small) << bad;
    }
}

TEST_F(SnapButtonViewTest, RingIsATranslucentBlueDiscUnderTheFinger) {
    down(0, 50, 60);
    runFor(0.5);
    ASSERT_TRUE(api().isTouchRingShown());
    auto ctx = platform::SurfaceContext::create(120, 120);
    ASSERT_TRUE(ctx);
    button_->drawRect(*ctx, Rect(0, 0, 120, 120));
    platform::ImageRef img = ctx->makeImage();
    auto px = [&](int x, int y) {
        const uint8_t* p = img->pixel(x, y);
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    // Premultiplied B, G, R, A of (0, 0.68, 0.94) at 0.2. Cairo premultiplies in 16 bits and
    // keeps the high byte: 0.188 -> 48, 0.136 -> 34, 0.2 -> 51.
    const std::array<int, 4> ring{48, 34, 0, 51};
    EXPECT_EQ(px(50, 60), ring);
    EXPECT_EQ(px(50 + 33, 60), ring);   // radius 35: inside up to the edge
    EXPECT_EQ(px(50 + 36, 60), (std::array<int, 4>{0, 0, 0, 0}));

    // After the lift the same drawing clears it.
    up(0);
    button_->drawRect(*ctx, Rect(0, 0, 120, 120));
    img = ctx->makeImage();
    EXPECT_EQ(px(50, 60), (std::array<int, 4>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace kestrova
