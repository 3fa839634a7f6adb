#include "CoreUiFixture.h"

#include "platform/ui/AnimationDelegateHandle.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {
namespace {

using test::CoreUiFixture;

struct Stops {
    std::vector<std::pair<std::string, bool>> calls;
    ViewAnimation::DidStopCallback callback() {
        return [this](const std::string& id, bool finished) { calls.emplace_back(id, finished); };
    }
};

class ViewAnimationTest : public CoreUiFixture {
protected:
    Window window_{Rect(0, 0, 320, 480)};
    View* view_ = window_.addSubview(std::make_unique<View>(Rect(0, 0, 100, 100)));
};

TEST_F(ViewAnimationTest, LinearAlphaIsHalfWayAtHalfTimeAndStopsOnce) {
    Stops stops;
    ViewAnimation::beginAnimations("fade");
    ViewAnimation::setAnimationDuration(0.3);
    ViewAnimation::setAnimationCurve(AnimationCurve::Linear);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setAlpha(0);
    ViewAnimation::commitAnimations();

    // The model changes at once; the presentation starts at the old value.
    EXPECT_FLOAT_EQ(view_->alpha(), 0);
    EXPECT_FLOAT_EQ(view_->presentation().alpha, 1);
    EXPECT_TRUE(view_->isAnimating());

    runFor(0.15);
    EXPECT_NEAR(view_->presentation().alpha, 0.5, 1e-5);
    EXPECT_TRUE(stops.calls.empty());

    // Just before the end: still running, no callback.
    runFor(0.149);
    EXPECT_TRUE(stops.calls.empty());
    EXPECT_GT(view_->presentation().alpha, 0);

    runFor(0.001);
    ASSERT_EQ(stops.calls.size(), 1u);
    EXPECT_EQ(stops.calls[0], std::make_pair(std::string("fade"), true));
    EXPECT_FLOAT_EQ(view_->presentation().alpha, 0);
    EXPECT_FALSE(view_->isAnimating());
    EXPECT_EQ(ViewAnimation::runningCount(), 0u);

    // Nothing more arrives later, and the ticking timer is gone.
    runFor(1);
    EXPECT_EQ(stops.calls.size(), 1u);
    EXPECT_FALSE(loop_.nextFireDate(RunLoopMode::Common).has_value());
}

TEST_F(ViewAnimationTest, DefaultCurveEasesAndDelayHoldsTheOldValue) {
    ViewAnimation::beginAnimations("move");
    ViewAnimation::setAnimationDuration(0.4);
    ViewAnimation::setAnimationDelay(0.1);
    view_->setCenter({250, 50});
    ViewAnimation::commitAnimations();
    EXPECT_EQ(view_->center(), (Point{250, 50}));

    // During the delay the old value shows.
    runFor(0.09);
    EXPECT_FLOAT_EQ(view_->presentation().center.x, 50);
    // A quarter of the way in time, ease-in-ease-out is well short of a quarter of the distance.
    runFor(0.11);
    float x = view_->presentation().center.x;
    EXPECT_GT(x, 50);
    EXPECT_LT(x, 50 + 0.25f * 200);
    // Half way in time is half way in distance (the curve is symmetric).
    runFor(0.1);
    EXPECT_NEAR(view_->presentation().center.x, 150, 0.01);
    runFor(0.2);
    EXPECT_FLOAT_EQ(view_->presentation().center.x, 250);
}

TEST_F(ViewAnimationTest, ReplacementAndBeginFromCurrentState) {
    Stops stops;
    // Phase 1: a 1 s linear slide to x = 150 (centre 50 -> 150), interrupted at 0.5 s.
    ViewAnimation::beginAnimations("first");
    ViewAnimation::setAnimationDuration(1);
    ViewAnimation::setAnimationCurve(AnimationCurve::Linear);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setCenter({150, 50});
    ViewAnimation::commitAnimations();
    runFor(0.5);
    EXPECT_NEAR(view_->presentation().center.x, 100, 1e-3);

    // Phase 2: from the current state, towards x = 0: starts at 100, not at 150.
    ViewAnimation::beginAnimations("second");
    ViewAnimation::setAnimationDuration(1);
    ViewAnimation::setAnimationCurve(AnimationCurve::Linear);
    ViewAnimation::setAnimationBeginsFromCurrentState(true);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setCenter({0, 50});
    ViewAnimation::commitAnimations();
    EXPECT_NEAR(view_->presentation().center.x, 100, 1e-3);

    // The replaced block reports once, unfinished, through the run loop.
    EXPECT_TRUE(stops.calls.empty());
    runFor(0.5);
    ASSERT_EQ(stops.calls.size(), 1u);
    EXPECT_EQ(stops.calls[0], std::make_pair(std::string("first"), false));
    EXPECT_NEAR(view_->presentation().center.x, 50, 1e-3);

    // Phase 3: without begin-from-current-state the new animation starts from the old model value.
    ViewAnimation::beginAnimations("third");
    ViewAnimation::setAnimationDuration(1);
    ViewAnimation::setAnimationCurve(AnimationCurve::Linear);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setCenter({200, 50});
    ViewAnimation::commitAnimations();
    EXPECT_NEAR(view_->presentation().center.x, 0, 1e-3);
    runFor(1);
    ASSERT_EQ(stops.calls.size(), 3u);
    EXPECT_EQ(stops.calls[1], std::make_pair(std::string("second"), false));
    EXPECT_EQ(stops.calls[2], std::make_pair(std::string("third"), true));
}

TEST_F(ViewAnimationTest, BlockWithSeveralViewsStopsWhenTheLastEnds) {
    View* other = window_.addSubview(std::make_unique<View>(Rect(0, 0, 10, 10)));
    Stops stops;
    ViewAnimation::beginAnimations("both");
    ViewAnimation::setAnimationDuration(0.3);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setAlpha(0.5f);
    other->setFrame({100, 100, 20, 20});  // centre and bounds: two property animations
    ViewAnimation::commitAnimations();
    EXPECT_EQ(ViewAnimation::runningCount(), 3u);
    runFor(0.3);
    ASSERT_EQ(stops.calls.size(), 1u);
    EXPECT_TRUE(stops.calls[0].second);
    EXPECT_EQ(other->presentation().frame(), (Rect{100, 100, 20, 20}));
}

TEST_F(ViewAnimationTest, SameValueStillTakesTheDurationAndEmptyBlockReportsAtOnce) {
    Stops stops;
    // Setting the value it already has still runs for the duration (a pulse cycle relies on it).
    ViewAnimation::beginAnimations("same");
    ViewAnimation::setAnimationDuration(1);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setAlpha(1);
    ViewAnimation::commitAnimations();
    runFor(0.9);
    EXPECT_TRUE(stops.calls.empty());
    runFor(0.1);
    ASSERT_EQ(stops.calls.size(), 1u);

    // A block that changes nothing reports finished on the next turn, without time passing.
    ViewAnimation::beginAnimations("empty");
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    ViewAnimation::commitAnimations();
    EXPECT_EQ(stops.calls.size(), 1u);
    runFor(0);
    ASSERT_EQ(stops.calls.size(), 2u);
    EXPECT_EQ(stops.calls[1], std::make_pair(std::string("empty"), true));
}

TEST_F(ViewAnimationTest, SettingOutsideABlockEndsTheAnimationUnfinished) {
    Stops stops;
    ViewAnimation::beginAnimations("t");
    ViewAnimation::setAnimationDuration(1);
    ViewAnimation::setAnimationDidStopCallback(stops.callback());
    view_->setTransform(AffineTransform::makeScale(2, 2));
    ViewAnimation::commitAnimations();
    runFor(0.2);
    view_->setTransform(AffineTransform::identity());
    EXPECT_EQ(view_->presentation().transform, AffineTransform::identity());
    runFor(0);
    ASSERT_EQ(stops.calls.size(), 1u);
    EXPECT_FALSE(stops.calls[0].second);
}

TEST_F(ViewAnimationTest, ForgottenDelegateAndDestroyedViewGetNoCallback) {
    int calls = 0;
    // Phase 1: the delegate goes while its animation runs; another's callback still comes.
    auto owner = std::make_unique<AnimationDelegateHandle>();
    AnimationDelegateHandle other;
    ViewAnimation::beginAnimations("a");
    ViewAnimation::setAnimationDuration(0.5);
    ViewAnimation::setAnimationDelegate(*owner);
    ViewAnimation::setAnimationDidStopCallback([&](const std::string&, bool) { calls += 1; });
    view_->setAlpha(0.2f);
    ViewAnimation::commitAnimations();
    ViewAnimation::beginAnimations("a2");
    ViewAnimation::setAnimationDuration(0.5);
    ViewAnimation::setAnimationDelegate(other);
    ViewAnimation::setAnimationDidStopCallback([&](const std::string&, bool) { calls += 10; });
    view_->setCenter({7, 7});
    ViewAnimation::commitAnimations();
    owner.reset();
    runFor(1);
    EXPECT_EQ(calls, 10);
    calls = 0;

    // Phase 2: the animated view is destroyed: the block still reports, unfinished, once.
    bool finished = true;
    ViewAnimation::beginAnimations("b");
    ViewAnimation::setAnimationDuration(0.5);
    ViewAnimation::setAnimationDidStopCallback([&](const std::string&, bool f) {
        ++calls;
        finished = f;
    });
    view_->setAlpha(0.9f);
    ViewAnimation::commitAnimations();
    view_->removeFromSuperview().reset();
    EXPECT_EQ(ViewAnimation::runningCount(), 0u);
    runFor(1);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(finished);
}

TEST_F(ViewAnimationTest, WithoutAMainLoopChangesApplyAtOnce) {
    RunLoop::setMain(nullptr);
    bool called = false;
    ViewAnimation::beginAnimations("now");
    ViewAnimation::setAnimationDuration(1);
    ViewAnimation::setAnimationDidStopCallback([&](const std::string&, bool f) { called = f; });
    view_->setAlpha(0.25f);
    ViewAnimation::commitAnimations();
    EXPECT_FLOAT_EQ(view_->presentation().alpha, 0.25f);
    EXPECT_TRUE(called);
}

}  // namespace
}  // namespace platform
