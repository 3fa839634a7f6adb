#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimerGroup.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(RunLoop, PostsFromOtherThreadsRunInOrderOnTheLoop) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<int> got;
    const auto loopThread = std::this_thread::get_id();
    bool allOnLoop = true;
    std::thread t([&] {
        for (int i = 0; i < 100; ++i)
            loop.post([&, i] {
                got.push_back(i);
                allOnLoop = allOnLoop && std::this_thread::get_id() == loopThread;
            });
    });
    t.join();
    loop.runDue();
    ASSERT_EQ(got.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(got[i], i);
    EXPECT_TRUE(allOnLoop);
}

TEST(RunLoop, CallbacksThatRunTheLoopOrCancelTimersFireEachTimerOnce) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> seen;
    TimerGroup kept;
    TimerHandle victim;

    // Phase 1: a callback that runs the loop again (as a modal wait would) does not make a due
    // timer fire twice, and a timer it adds joins the loop afterwards.
    kept.add(loop.performAfter(0.1s, [&] {
        seen.push_back("nesting");
        kept.add(loop.performAfter(0s, [&] { seen.push_back("added"); }));
        loop.runDue();
    }));
    kept.add(loop.performAfter(0.1s, [&] { seen.push_back("sibling"); }));
    loop.runFor(0.1s);
    EXPECT_EQ(seen, (std::vector<std::string>{"nesting", "sibling", "added"}));

    // Phase 2: a timer invalidated by an earlier callback of the same turn does not fire.
    seen.clear();
    kept.add(loop.performAfter(0.1s, [&] {
        seen.push_back("killer");
        victim.cancel();
    }));
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
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_NEAR(t.timer()->fireDate(), 1.2, 1e-9);  // stays on its grid, in the future
    loop.runFor(0.2s);  // to 1.25
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_NEAR(fired[1], 1.2, 1e-9);
}

// A Default timer waits while the loop tracks and a Common one fires; one added for Tracking
// waits for that mode until it is moved to Common, then fires once.
TEST(RunLoop, TimersFireOnlyInTheirModes) {
    ManualClock clock;
    RunLoop loop(clock);
    int def = 0, common = 0, tracking = 0;
    auto d = loop.performAfter(0.1s, [&] { ++def; }, RunLoopMode::Default);
    auto c = loop.performAfter(0.1s, [&] { ++common; }, RunLoopMode::Common);
    auto t = loop.performAfter(0.2s, [&] { ++tracking; }, RunLoopMode::Tracking);
    loop.runFor(0.5s, RunLoopMode::Tracking);
    EXPECT_EQ(def, 0);
    EXPECT_EQ(common, 1);
    EXPECT_EQ(tracking, 1);
    t = loop.performAfter(0.2s, [&] { ++tracking; }, RunLoopMode::Tracking);
    loop.runFor(1.0s);
    EXPECT_EQ(def, 1);
    EXPECT_EQ(tracking, 1);
    loop.setTimerMode(t, RunLoopMode::Common);
    loop.runFor(0.1s);
    EXPECT_EQ(tracking, 2);
    EXPECT_FALSE(t.isActive());
}

// On the system clock an idle loop sleeps until another thread's post wakes it: run() returns
// once the post stops it, runUntil() as soon as the post makes its condition true (its limit is
// a watchdog: a lost wake-up shows as a false return after 30 s).
TEST(RunLoop, AnotherThreadsPostWakesAnIdleSystemLoop) {
    SystemClock clock;
    RunLoop loop(clock);
    bool ran = false;
    std::thread t([&] { loop.post([&] { ran = true; loop.stop(); }); });
    loop.run();
    t.join();
    EXPECT_TRUE(ran);
    RunLoop fresh(clock);  // a stopped loop stays stopped
    bool done = false;
    std::thread u([&] { fresh.post([&] { done = true; }); });
    EXPECT_TRUE(fresh.runUntil([&] { return done; }, 30s));
    u.join();
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
        EXPECT_FALSE(loop.allIdle());
        EXPECT_FALSE(loop.settle(0.05));
    }
    EXPECT_TRUE(loop.allIdle());
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
