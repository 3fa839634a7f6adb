// The transition container: its swap, its refusal while a transition runs, touches off during
// one, and which delegate call each way of ending brings.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Layer.h"
#include "ui/controls/TransitionView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using kestrova::TransitionView;
using platform::TransitionSubtype;
using platform::TransitionType;

struct Recorder : kestrova::TransitionViewDelegate {
    std::vector<std::string> calls;
    void transitionViewDidStart(TransitionView*) override { calls.push_back("start"); }
    void transitionViewDidFinish(TransitionView*) override { calls.push_back("finish"); }
    void transitionViewDidCancel(TransitionView*) override { calls.push_back("cancel"); }
};

class TransitionViewTest : public ::testing::Test {
protected:
    TransitionViewTest() : loop(clock) { platform::RunLoop::setMain(&loop); }
    ~TransitionViewTest() override { platform::RunLoop::setMain(nullptr); }
    platform::ManualClock clock;
    platform::RunLoop loop;
};

TEST_F(TransitionViewTest, SwapsAtOnceRefusesWhileRunningAndReportsTheEnd) {
    TransitionView holder({0, 0, 100, 100});
    Recorder recorder;
    holder.setDelegate(&recorder);
    auto* back = holder.addSubview(std::make_unique<platform::View>());
    auto* front = holder.addSubview(std::make_unique<platform::View>());

    // No old view: the new one goes to the bottom of the stack.
    std::unique_ptr<platform::View> first = std::make_unique<platform::View>();
    auto* firstPtr = first.get();
    ASSERT_TRUE(holder.replaceSubview(nullptr, first, TransitionType::Fade, TransitionSubtype::FromLeft, 0.0));
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(holder.subviewAt(0), firstPtr);
    // A fade carries no subtype.
    ASSERT_NE(holder.layer().animationForKey(TransitionView::kAnimationKey), nullptr);
    EXPECT_EQ(holder.layer().animationForKey(TransitionView::kAnimationKey)->subtype, TransitionSubtype::None);
    loop.runFor(0.05s);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"start", "finish"}));
    EXPECT_TRUE(holder.userInteractionEnabled());

    // The old view's place in the stack goes to the new one, and the old one is handed back.
    std::unique_ptr<platform::View> second = std::make_unique<platform::View>();
    auto* secondPtr = second.get();
    std::unique_ptr<platform::View> removed;
    ASSERT_TRUE(holder.replaceSubview(back, second, TransitionType::Push, TransitionSubtype::FromRight, 0.2, &removed));
    EXPECT_EQ(removed.get(), back);
    EXPECT_EQ(holder.indexOfSubview(secondPtr), 1);
    EXPECT_EQ(holder.layer().animationForKey(TransitionView::kAnimationKey)->subtype, TransitionSubtype::FromRight);
    EXPECT_TRUE(holder.isTransitioning());

    // While it runs: refused, nothing moves; touches are off once it has started.
    std::unique_ptr<platform::View> third = std::make_unique<platform::View>();
    EXPECT_FALSE(holder.replaceSubview(front, third, TransitionType::Push, TransitionSubtype::FromLeft, 0.2));
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(front->superview(), &holder);
    loop.runFor(0.1s);
    EXPECT_FALSE(holder.userInteractionEnabled());
    loop.runFor(0.15s);
    EXPECT_FALSE(holder.isTransitioning());
    EXPECT_TRUE(holder.userInteractionEnabled());
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"start", "finish", "start", "finish"}));
}

TEST_F(TransitionViewTest, CancelReportsCancelAndADisabledContainerStaysDisabled) {
    TransitionView holder({0, 0, 100, 100});
    Recorder recorder;
    holder.setDelegate(&recorder);
    holder.setUserInteractionEnabled(false);
    std::unique_ptr<platform::View> page = std::make_unique<platform::View>();
    ASSERT_TRUE(holder.replaceSubview(nullptr, page, TransitionType::MoveIn, TransitionSubtype::FromRight, 0.2));
    loop.runFor(0.05s);
    holder.cancelTransition();
    loop.runFor(0.05s);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"start", "cancel"}));
    EXPECT_FALSE(holder.isTransitioning());
    EXPECT_FALSE(holder.userInteractionEnabled());
    // A new swap is accepted again.
    std::unique_ptr<platform::View> next = std::make_unique<platform::View>();
    EXPECT_TRUE(holder.replaceSubview(holder.subviewAt(0), next, TransitionType::Fade, TransitionSubtype::None, 0));
}

}  // namespace
