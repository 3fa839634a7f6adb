// Ownership of timers and delayed calls: the handle the loop returns is what keeps a call alive.
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimerGroup.h"
#include "platform/foundation/TimerHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(TimerHandle, ADroppedHandleCancelsItsCallAndNoOther) {
    ManualClock clock(2.0);
    RunLoop loop(clock);
    std::vector<std::string> ran;
    double keptAt = -1;
    auto before = loop.performAfter(0.5s, [&] {
        ran.push_back("before");
        keptAt = clock.now();
    });
    {
        auto dropped = loop.performAfter(0.5s, [&] { ran.push_back("dropped"); });
        EXPECT_TRUE(dropped.isActive());
    }
    auto after = loop.performAfter(0.5s, [&] { ran.push_back("after"); });
    loop.runFor(0.4s);
    EXPECT_TRUE(ran.empty());
    loop.runFor(1s);
    EXPECT_EQ(ran, (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(keptAt, 2.5);  // its delay after the moment it was scheduled, exactly
    EXPECT_FALSE(before.isActive());
    EXPECT_FALSE(loop.nextFireDate().has_value());
}

TEST(TimerHandle, AMovedHandleKeepsItsCallAndCancelsItOnce) {
    ManualClock clock;
    RunLoop loop(clock);
    int moved = 0;
    TimerHandle kept;
    {
        auto h = loop.performAfter(0.5s, [&] { ++moved; });
        TimerHandle outer(std::move(h));
        EXPECT_FALSE(h.isActive());  // the moved-from handle is empty: its end cancels nothing
        kept = std::move(outer);
    }
    EXPECT_TRUE(kept.isActive());
    loop.runFor(1s);
    EXPECT_EQ(moved, 1);

    // Assigning over a handle cancels what it held; the assigned call lives on in it.
    int a = 0, b = 0;
    auto ha = loop.performAfter(0.5s, [&] { ++a; });
    auto hb = loop.performAfter(0.5s, [&] { ++b; });
    ha = std::move(hb);
    EXPECT_TRUE(ha.isActive());
    EXPECT_FALSE(hb.isActive());
    TimerHandle& same = ha;
    ha = std::move(same);  // onto itself: nothing changes
    EXPECT_TRUE(ha.isActive());
    loop.runFor(1s);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
}

TEST(TimerHandle, AnOwnerGoingInItsCallbackOrOutlivingItsLoop) {
    ManualClock clock;
    RunLoop loop(clock);
    // An owner that goes from its own timer's callback: that tick completes, no other follows.
    int selfTicks = 0;
    std::unique_ptr<TimerHandle> selfOwned;
    selfOwned = std::make_unique<TimerHandle>(loop.scheduleRepeating(0.1s, [&](Timer&) {
        if (++selfTicks == 2) selfOwned.reset();
    }));
    loop.runFor(1s);
    EXPECT_EQ(selfTicks, 2);
    EXPECT_FALSE(loop.nextFireDate().has_value());

    // A handle that outlives its loop only touches its own timer.
    TimerHandle outlived;
    {
        ManualClock other;
        RunLoop gone(other);
        outlived = gone.performAfter(1s, [] {});
    }
    EXPECT_TRUE(outlived.isActive());
    outlived.cancel();
    EXPECT_FALSE(outlived.isActive());
}

TEST(TimerHandle, AGroupCancelsItsCallsTogetherAndWhenItGoes) {
    ManualClock clock;
    RunLoop loop(clock);
    int inGroup = 0, outside = 0;
    {
        TimerGroup group;
        group.add(loop.performAfter(0.2s, [&] { ++inGroup; }));
        group.add(loop.performAfter(0.2s, [&] { ++inGroup; }));  // both pending at once
        EXPECT_TRUE(group.anyActive());
        loop.runFor(0.3s);
        EXPECT_EQ(inGroup, 2);
        EXPECT_FALSE(group.anyActive());
        group.add(loop.performAfter(0.2s, [&] { ++inGroup; }));
        group.add(loop.performAfter(0.2s, [&] { ++inGroup; }));
        group.cancelAll();
        EXPECT_FALSE(group.anyActive());
        group.add(loop.performAfter(0.2s, [&] { ++inGroup; }));
    }
    auto other = loop.performAfter(0.2s, [&] { ++outside; });
    loop.runFor(1s);
    EXPECT_EQ(inGroup, 2);
    EXPECT_EQ(outside, 1);
}

TEST(TimerHandle, DelaysKeepTheirExactValue) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<double> at;
    auto ms = loop.performAfter(130ms, [&] { at.push_back(clock.now()); });
    auto s = loop.performAfter(Seconds(0.13), [&] { at.push_back(clock.now()); });
    auto negative = loop.performAfter(-1s, [&] { at.push_back(clock.now()); });
    EXPECT_EQ(loop.runDue(), 1u);  // a negative delay counts as none
    loop.runFor(1s);
    EXPECT_EQ(at, (std::vector<double>{0.0, 0.13, 0.13}));
}

// runFor and runUntil share one stepping loop: the same timers give the same calls at the same
// moments whichever runs them, and runUntil stops at the turn that makes its condition true.
TEST(RunLoopStepping, RunForAndRunUntilStepAlike) {
    using Log = std::vector<std::pair<double, std::string>>;
    struct Scene {
        ManualClock clock;
        RunLoop loop{clock};
        Log log;
        TimerGroup keep;
        Scene() {
            auto note = [this](std::string name) { log.emplace_back(clock.now(), std::move(name)); };
            keep.add(loop.scheduleRepeating(0.3s, [note](Timer&) { note("tick"); }));
            keep.add(loop.performAfter(0.45s, [note] { note("a"); }));
            keep.add(loop.performAfter(0.45s, [note] { note("b"); }));
            keep.add(loop.performAfter(0.2s, [this, note] {
                note("c");
                keep.add(loop.performAfter(0.05s, [note] { note("d"); }));
                loop.post([note] { note("posted"); });
            }));
            keep.add(loop.performAfter(0.3s, [note] { note("tracking only"); }, RunLoopMode::Tracking));
        }
    };
    Scene byFor, byUntil;
    byFor.loop.runFor(1s);
    EXPECT_FALSE(byUntil.loop.runUntil([] { return false; }, 1s));
    const Log expected{{0.2, "c"},    {0.2, "posted"}, {0.25, "d"},  {0.3, "tick"},
                       {0.45, "a"},   {0.45, "b"},     {0.3 + 0.3, "tick"}, {0.3 + 0.3 + 0.3, "tick"}};
    EXPECT_EQ(byFor.log, expected);
    EXPECT_EQ(byUntil.log, expected);
    EXPECT_EQ(byFor.clock.now(), 1.0);
    EXPECT_EQ(byUntil.clock.now(), 1.0);

    // Stopping early: the clock stays at the turn where the condition became true.
    Scene early;
    EXPECT_TRUE(early.loop.runUntil([&] { return early.log.size() >= 5; }, 1s));
    EXPECT_EQ(early.clock.now(), 0.45);
    EXPECT_EQ(early.log.back().second, "b");  // the whole turn ran, and nothing after it
    EXPECT_EQ(early.log.size(), 6u);
}
