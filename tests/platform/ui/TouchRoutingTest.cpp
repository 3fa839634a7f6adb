#include "CoreUiFixture.h"

#include "platform/ui/Event.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <vector>

namespace platform {
namespace {

using test::CoreUiFixture;

// Records what reaches it: the phase, its own touch count, and the event's touch count.
class RecordingView : public View {
public:
    using View::View;
    struct Call {
        char phase;
        size_t own;
        size_t all;
        Point location;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    bool passOn = false;

    void touchesBegan(const TouchSet& t, const Event& e) override { record('b', t, e); if (passOn) View::touchesBegan(t, e); }
    void touchesMoved(const TouchSet& t, const Event& e) override { record('m', t, e); }
    void touchesEnded(const TouchSet& t, const Event& e) override { record('e', t, e); }
    void touchesCancelled(const TouchSet& t, const Event& e) override { record('c', t, e); }

private:
    void record(char phase, const TouchSet& t, const Event& e) {
        calls.push_back({phase, t.size(), e.allTouches().size(), t.empty() ? Point{} : t[0]->locationInView(this)});
    }
};

class TouchRoutingTest : public CoreUiFixture {
protected:
    Window window_{Rect(0, 0, 320, 480)};
};

using Calls = std::vector<RecordingView::Call>;

// Finger 0 on the left, finger 1 on the right: the second event carries both. Both move in one
// event, then lift in one: each view gets its own touch, in its own coordinates, and an event
// counting both.
TEST_F(TouchRoutingTest, TwoFingersOnTwoViewsEachSeeTheWholeEvent) {
    auto* left = static_cast<RecordingView*>(window_.addSubview(std::make_unique<RecordingView>(Rect(0, 0, 160, 480))));
    auto* right = static_cast<RecordingView*>(window_.addSubview(std::make_unique<RecordingView>(Rect(160, 0, 160, 480))));
    window_.touchDown(0, {10, 10}, 0.0);
    window_.touchDown(1, {200, 10}, 0.1);
    window_.sendTouches({{0, TouchPhase::Moved, {20, 20}}, {1, TouchPhase::Moved, {210, 20}}}, 0.2);
    window_.sendTouches({{0, TouchPhase::Ended, {20, 20}}, {1, TouchPhase::Ended, {210, 20}}}, 0.4);
    EXPECT_EQ(left->calls, (Calls{{'b', 1, 1, {10, 10}}, {'m', 1, 2, {20, 20}}, {'e', 1, 2, {20, 20}}}));
    EXPECT_EQ(right->calls, (Calls{{'b', 1, 2, {40, 10}}, {'m', 1, 2, {50, 20}}, {'e', 1, 2, {50, 20}}}));
    EXPECT_TRUE(window_.activeTouches().empty());
}

TEST_F(TouchRoutingTest, TwoFingersOnOneViewComeInOneCallAndStrayPhasesAreIgnored) {
    auto* v = static_cast<RecordingView*>(window_.addSubview(std::make_unique<RecordingView>(Rect(0, 0, 320, 480))));
    window_.sendTouches({{0, TouchPhase::Began, {10, 10}}, {1, TouchPhase::Began, {50, 50}}}, 0);
    // The order of the event's touches is the order the fingers came down.
    TouchSet all = window_.activeTouches();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->fingerId(), 0);
    EXPECT_EQ(all[1]->fingerId(), 1);
    // A second down for a finger already down, and an up for one that is not, do nothing.
    window_.touchDown(0, {30, 30}, 0.1);
    window_.touchUp(7, 0.1);
    // One finger moves while the other lifts: one call for each phase, each with its own touch.
    window_.sendTouches({{0, TouchPhase::Moved, {20, 20}}, {1, TouchPhase::Ended, {50, 50}}}, 0.15);
    // Cancelling everything reaches the view once with both touches.
    window_.touchDown(1, {60, 60}, 0.16);
    window_.cancelAllTouches(0.2);
    EXPECT_EQ(v->calls, (Calls{{'b', 2, 2, {10, 10}}, {'m', 1, 2, {20, 20}}, {'e', 1, 2, {50, 50}},
                               {'b', 1, 2, {60, 60}}, {'c', 2, 2, {20, 20}}}));
    EXPECT_FALSE(window_.isFingerDown(0));
}

TEST_F(TouchRoutingTest, UnhandledTouchesGoToTheSuperviewAndTapsCount) {
    auto* outer = static_cast<RecordingView*>(window_.addSubview(std::make_unique<RecordingView>(Rect(0, 0, 320, 480))));
    auto* inner = static_cast<RecordingView*>(outer->addSubview(std::make_unique<RecordingView>(Rect(10, 10, 50, 50))));
    inner->passOn = true;
    window_.touchDown(0, {20, 20}, 0);
    EXPECT_EQ(inner->calls.size(), 1u);
    ASSERT_EQ(outer->calls.size(), 1u);
    EXPECT_EQ(outer->calls[0].location, (Point{20, 20}));

    // Tap count: quick taps at the same place count up; a late one starts over.
    window_.touchUp(0, 0.05);
    window_.touchDown(0, {22, 21}, 0.2);
    EXPECT_EQ(window_.activeTouches()[0]->tapCount(), 2);
    window_.touchUp(0, 0.25);
    window_.touchDown(0, {20, 22}, 0.4);
    EXPECT_EQ(window_.activeTouches()[0]->tapCount(), 3);
    window_.touchUp(0, 0.45);
    window_.touchDown(0, {22, 21}, 1.0);
    EXPECT_EQ(window_.activeTouches()[0]->tapCount(), 1);
}

TEST_F(TouchRoutingTest, ViewDestroyedDuringATouchGetsNoMoreEvents) {
    auto* v = static_cast<RecordingView*>(window_.addSubview(std::make_unique<RecordingView>(Rect(0, 0, 100, 100))));
    window_.touchDown(0, {10, 10}, 0);
    v->removeFromSuperview().reset();
    window_.touchMove(0, {20, 20}, 0.1);  // must not reach the dead view
    window_.touchUp(0, 0.2);
    EXPECT_TRUE(window_.activeTouches().empty());
}

TEST(HitTest, ThroughAScaledTransformAndSkippingInvisibleViews) {
    Window window(Rect(0, 0, 320, 480));
    // A 100x100 view centred at (160, 240), scaled by 2: it covers (60..260, 140..340).
    View* v = window.addSubview(std::make_unique<View>(Rect(110, 190, 100, 100)));
    v->setTransform(AffineTransform::makeScale(2, 2));
    View* child = v->addSubview(std::make_unique<View>(Rect(0, 0, 10, 10)));

    EXPECT_EQ(window.hitTest({65, 145}, nullptr), child);  // child covers 60..80 on screen
    EXPECT_EQ(window.hitTest({85, 145}, nullptr), v);
    EXPECT_EQ(window.hitTest({255, 335}, nullptr), v);     // outside the untransformed frame
    EXPECT_EQ(window.hitTest({265, 240}, nullptr), &window);
    EXPECT_EQ(v->frame(), (Rect{60, 140, 200, 200}));
    EXPECT_EQ(child->convertPointToView({5, 5}, nullptr), (Point{70, 150}));
    EXPECT_EQ(window.convertPointToView({70, 150}, child), (Point{5, 5}));

    // Hidden, non-interactive and nearly transparent views are skipped with their subviews.
    child->setHidden(true);
    EXPECT_EQ(window.hitTest({65, 145}, nullptr), v);
    child->setHidden(false);
    v->setUserInteractionEnabled(false);
    EXPECT_EQ(window.hitTest({65, 145}, nullptr), &window);
    v->setUserInteractionEnabled(true);
    v->setAlpha(0.009f);
    EXPECT_EQ(window.hitTest({65, 145}, nullptr), &window);
    v->setAlpha(0.01f);
    EXPECT_EQ(window.hitTest({65, 145}, nullptr), child);
}

}  // namespace
}  // namespace platform
