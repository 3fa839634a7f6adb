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
};

class ViewAnimationTest : public CoreUiFixture {
protected:
    // Opens a block of the given length whose stop lands in `stops`; linear unless told.
    void begin(const std::string& id, double duration, Stops& stops, bool linear = true) {
        ViewAnimation::beginAnimations(id);
        ViewAnimation::setAnimationDuration(duration);
        if (linear) ViewAnimation::setAnimationCurve(AnimationCurve::Linear);
        ViewAnimation::setAnimationDidStopCallback(
            [&stops](const std::string& id, bool finished) { stops.calls.emplace_back(id, finished); });
    }
    using Stop = std::pair<std::string, bool>;

    Window window_{Rect(0, 0, 320, 480)};
    View* view_ = window_.addSubview(std::make_unique<View>(Rect(0, 0, 100, 100)));
};

// A linear fade and, in a second block, an eased move after a delay: each value leaves the old
// one along its curve, and each block reports once, at its end.
TEST_F(ViewAnimationTest, ValuesFollowTheirCurveAfterTheDelayAndStopOnce) {
    Stops stops;
    begin("fade", 0.3, stops);
    view_->setAlpha(0);
    ViewAnimation::commitAnimations();
    begin("move", 0.4, stops, false);
    ViewAnimation::setAnimationDelay(0.1);
    view_->setCenter({250, 50});
    ViewAnimation::commitAnimations();

    // The model changes at once; the presentation starts at the old value.
    EXPECT_FLOAT_EQ(view_->alpha(), 0);
    EXPECT_EQ(view_->center(), (Point{250, 50}));
    EXPECT_FLOAT_EQ(view_->presentation().alpha, 1);
    runFor(0.09);
    EXPECT_FLOAT_EQ(view_->presentation().center.x, 50);
    // A quarter of the move's time in, ease-in-ease-out is well short of a quarter of the way;
    // the linear fade is exactly two thirds done.
    runFor(0.11);
    EXPECT_NEAR(view_->presentation().alpha, 1 / 3.0, 1e-5);
    EXPECT_GT(view_->presentation().center.x, 50);
    EXPECT_LT(view_->presentation().center.x, 50 + 0.25f * 200);
    // Just before its end the fade still runs; then it stops, once.
    runFor(0.099);
    EXPECT_TRUE(stops.calls.empty());
    EXPECT_GT(view_->presentation().alpha, 0);
    runFor(0.001);
    EXPECT_EQ(stops.calls, (std::vector<Stop>{{"fade", true}}));
    EXPECT_FLOAT_EQ(view_->presentation().alpha, 0);
    // Half way in time is half way in distance (the curve is symmetric).
    EXPECT_NEAR(view_->presentation().center.x, 150, 0.01);
    runFor(0.2);
    EXPECT_FLOAT_EQ(view_->presentation().center.x, 250);
    EXPECT_EQ(stops.calls, (std::vector<Stop>{{"fade", true}, {"move", true}}));
    EXPECT_FALSE(view_->isAnimating());

    // Nothing more arrives later, and the ticking timer is gone.
    runFor(1);
    EXPECT_EQ(stops.calls.size(), 2u);
    EXPECT_FALSE(loop_.nextFireDate(RunLoopMode::Common).has_value());
}

TEST_F(ViewAnimationTest, ReplacementAndBeginFromCurrentState) {
    Stops stops;
    // A 1 s slide of the centre from 50 to 150, interrupted half way.
    begin("first", 1, stops);
    view_->setCenter({150, 50});
    ViewAnimation::commitAnimations();
    runFor(0.5);
    EXPECT_NEAR(view_->presentation().center.x, 100, 1e-3);

    // From the current state, towards 0: starts at 100, not at 150.
    begin("second", 1, stops);
    ViewAnimation::setAnimationBeginsFromCurrentState(true);
    view_->setCenter({0, 50});
    ViewAnimation::commitAnimations();
    EXPECT_NEAR(view_->presentation().center.x, 100, 1e-3);
    // The replaced block reports once, unfinished, through the run loop.
    EXPECT_TRUE(stops.calls.empty());
    runFor(0.5);
    EXPECT_EQ(stops.calls, (std::vector<Stop>{{"first", false}}));
    EXPECT_NEAR(view_->presentation().center.x, 50, 1e-3);

    // Without begin-from-current-state the new animation starts from the old model value.
    begin("third", 1, stops);
    view_->setCenter({200, 50});
    ViewAnimation::commitAnimations();
    EXPECT_NEAR(view_->presentation().center.x, 0, 1e-3);
    runFor(1);
    EXPECT_EQ(stops.calls, (std::vector<Stop>{{"first", false}, {"second", false}, {"third", true}}));

    // Set outside a block, the value ends a running animation, unfinished.
    begin("t", 1, stops);
    view_->setTransform(AffineTransform::makeScale(2, 2));
    ViewAnimation::commitAnimations();
    runFor(0.2);
    view_->setTransform(AffineTransform::identity());
    EXPECT_EQ(view_->presentation().transform, AffineTransform::identity());
    runFor(0);
    EXPECT_EQ(stops.calls.back(), (Stop{"t", false}));
}

// A block stops when its last animation ends: across several views, for a value set to what it
// already was, and at once for a block that changes nothing.
TEST_F(ViewAnimationTest, BlocksStopWhenTheirLastAnimationEnds) {
    View* other = window_.addSubview(std::make_unique<View>(Rect(0, 0, 10, 10)));
    Stops stops;
    begin("both", 0.3, stops, false);
    view_->setAlpha(0.5f);
    other->setFrame({100, 100, 20, 20});  // centre and bounds: two property animations
    ViewAnimation::commitAnimations();
    EXPECT_EQ(ViewAnimation::runningCount(), 3u);
    runFor(0.3);
    EXPECT_EQ(stops.calls, (std::vector<Stop>{{"both", true}}));
    EXPECT_EQ(other->presentation().frame(), (Rect{100, 100, 20, 20}));

    // Setting the value it already has still runs for the duration (a pulse cycle relies on it).
    begin("same", 1, stops);
    view_->setAlpha(0.5f);
    ViewAnimation::commitAnimations();
    runFor(0.9);
    EXPECT_EQ(stops.calls.size(), 1u);
    runFor(0.1);

    // A block that changes nothing reports finished on the next turn, without time passing.
    begin("empty", 1, stops);
    ViewAnimation::commitAnimations();
    EXPECT_EQ(stops.calls.size(), 2u);
    runFor(0);
    EXPECT_EQ(stops.calls, (std::vector<Stop>{{"both", true}, {"same", true}, {"empty", true}}));
}

TEST_F(ViewAnimationTest, ForgottenDelegateAndDestroyedViewGetNoCallback) {
    // The delegate goes while its animation runs; another's callback still comes.
    Stops gone, kept;
    auto owner = std::make_unique<AnimationDelegateHandle>();
    AnimationDelegateHandle other;
    begin("a", 0.5, gone);
    ViewAnimation::setAnimationDelegate(*owner);
    view_->setAlpha(0.2f);
    ViewAnimation::commitAnimations();
    begin("b", 0.5, kept);
    ViewAnimation::setAnimationDelegate(other);
    view_->setCenter({7, 7});
    ViewAnimation::commitAnimations();
    owner.reset();
    runFor(1);
    EXPECT_TRUE(gone.calls.empty());
    EXPECT_EQ(kept.calls, (std::vector<Stop>{{"b", true}}));

    // The animated view is destroyed: the block still reports, unfinished, once.
    begin("c", 0.5, kept);
    view_->setAlpha(0.9f);
    ViewAnimation::commitAnimations();
    view_->removeFromSuperview().reset();
    EXPECT_EQ(ViewAnimation::runningCount(), 0u);
    runFor(1);
    EXPECT_EQ(kept.calls, (std::vector<Stop>{{"b", true}, {"c", false}}));
}

}  // namespace
}  // namespace platform
