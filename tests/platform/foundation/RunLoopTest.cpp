#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimerGroup.h"
#include "platform/foundation/TimerHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

// A timer cancelled by an earlier callback of the same turn does not fire.
TEST(RunLoop, ATimerCancelledEarlierInItsTurnDoesNotFire) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> seen;
    TimerHandle victim;
    auto killer = loop.performAfter(0.1s, [&] {
        seen.push_back("killer");
        victim.cancel();
    });
    victim = loop.scheduleRepeating(0.1s, [&](Timer&) { seen.push_back("victim"); });
    loop.runFor(1.0s);
    EXPECT_EQ(seen, (std::vector<std::string>{"killer"}));
    EXPECT_FALSE(loop.nextFireDate().has_value());
}

TEST(RunLoop, RepeatingTimerSkipsMissedFiresWhenTheClockJumps) {
    // A system clock moves while the loop is busy elsewhere; the manual clock's set() stands in
    // for that jump without running the loop.
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<double> fired;
    auto t = loop.scheduleRepeating(0.3s, [&](Timer&) { fired.push_back(clock.now()); });
    clock.set(1.05);  // fires at 0.3, 0.6 and 0.9 were missed
    EXPECT_EQ(loop.runDue(), 1u);
    EXPECT_NEAR(t.timer()->fireDate(), 1.2, 1e-9);  // stays on its grid, in the future
    loop.runFor(0.2s);  // to 1.25
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_NEAR(fired[1], 1.2, 1e-9);
}

// On the system clock an idle loop sleeps until another thread's post wakes it: run() returns
// once the post stops it, runUntil() as soon as the posts make its condition true (its limit is
// a watchdog: a lost wake-up shows as a false return after 30 s). Posts run in order, on the loop.
TEST(RunLoop, AnotherThreadsPostsWakeAnIdleSystemLoopAndRunInOrderOnIt) {
    SystemClock clock;
    RunLoop loop(clock);
    bool ran = false;
    std::thread t([&] { loop.post([&] { ran = true; loop.stop(); }); });
    loop.run();
    t.join();
    EXPECT_TRUE(ran);
    RunLoop fresh(clock);  // a stopped loop stays stopped
    std::vector<int> got;
    const auto loopThread = std::this_thread::get_id();
    bool allOnLoop = true;
    std::thread u([&] {
        for (int i = 0; i < 100; ++i)
            fresh.post([&, i] {
                got.push_back(i);
                allOnLoop = allOnLoop && std::this_thread::get_id() == loopThread;
            });
    });
    EXPECT_TRUE(fresh.runUntil([&] { return got.size() == 100; }, 30s));
    u.join();
    ASSERT_EQ(got.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(got[i], i);
    EXPECT_TRUE(allOnLoop);
}

// Virtual time does not move while an idling resource is busy: a post made before the work
// ends is delivered at the time it was made. settle() gives up on busy work after its real-time
// bound and returns once work ending on another thread lets it.
TEST(RunLoop, BusyIdlingResourcesHoldVirtualTimeAndSettling) {
    ManualClock clock;
    RunLoop loop(clock);
    IdlingResource worker(loop, "worker");
    double postedAt = -1;
    worker.beginWork();
    std::thread t([&] {
        loop.post([&] { postedAt = clock.now(); });
        worker.endWork();
    });
    loop.runFor(5.0s);
    t.join();
    EXPECT_DOUBLE_EQ(postedAt, 0.0);
    {
        IdlingScope busy(&worker);
        EXPECT_FALSE(loop.settle(0.05));
    }
    int posted = 0;
    worker.beginWork();
    std::thread u([&] {
        loop.post([&] { ++posted; });
        worker.endWork();
    });
    EXPECT_TRUE(loop.settle(30.0));
    u.join();
    loop.runDue();
    EXPECT_EQ(posted, 1);
}

// Ownership of timers and delayed calls: the handle the loop returns is what keeps a call alive.
TEST(TimerHandle, ADroppedHandleCancelsItsCallAndNoOther) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> ran;
    auto before = loop.performAfter(0.5s, [&] { ran.push_back("before"); });
    {
        auto dropped = loop.performAfter(0.5s, [&] { ran.push_back("dropped"); });
        EXPECT_TRUE(dropped.isActive());
    }
    auto after = loop.performAfter(0.5s, [&] { ran.push_back("after"); });
    loop.runFor(0.4s);
    EXPECT_TRUE(ran.empty());
    loop.runFor(1s);
    EXPECT_EQ(ran, (std::vector<std::string>{"before", "after"}));
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
            keep.add(loop.performAfter(450ms, [note] { note("a"); }));  // the same moment as 0.45 s
            keep.add(loop.performAfter(0.45s, [note] { note("b"); }));
            keep.add(loop.performAfter(0.2s, [this, note] {
                note("c");
                keep.add(loop.performAfter(0.05s, [note] { note("d"); }));
                loop.post([note] { note("posted"); });
            }));
            keep.add(loop.performAfter(0.3s, [note] { note("tracking only"); }, RunLoopMode::Tracking));
            keep.add(loop.performAfter(-1s, [note] { note("negative"); }));  // counts as no delay
        }
    };
    Scene byFor, byUntil;
    byFor.loop.runFor(1s);
    EXPECT_FALSE(byUntil.loop.runUntil([] { return false; }, 1s));
    const Log expected{{0.0, "negative"}, {0.2, "c"},  {0.2, "posted"},    {0.25, "d"},
                       {0.3, "tick"},     {0.45, "a"}, {0.45, "b"},        {0.3 + 0.3, "tick"},
                       {0.3 + 0.3 + 0.3, "tick"}};
    EXPECT_EQ(byFor.log, expected);
    EXPECT_EQ(byUntil.log, expected);
    EXPECT_EQ(byFor.clock.now(), 1.0);
    EXPECT_EQ(byUntil.clock.now(), 1.0);

    // Stopping early: the clock stays at the turn where the condition became true.
    Scene early;
    EXPECT_TRUE(early.loop.runUntil([&] { return early.log.size() >= 6; }, 1s));
    EXPECT_EQ(early.clock.now(), 0.45);
    EXPECT_EQ(early.log.back().second, "b");  // the whole turn ran, and nothing after it
    EXPECT_EQ(early.log.size(), 7u);
}
