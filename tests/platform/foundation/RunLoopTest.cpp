#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TimerGroup.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform;
using namespace std::chrono_literals;

TEST(RunLoop, TimersFireInDateOrderAndRepeat) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> seen;
    auto b = loop.performAfter(0.5s, [&] { seen.push_back("b@" + std::to_string(clock.now())); });
    auto a = loop.performAfter(0.2s, [&] { seen.push_back("a@" + std::to_string(clock.now())); });
    auto rep = loop.scheduleRepeating(0.3s, [&](Timer&) { seen.push_back("r"); });
    loop.runFor(1.0s);
    // a at 0.2, r at 0.3, b at 0.5, r at 0.6, r at 0.9
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].substr(0, 2), "a@");
    EXPECT_EQ(seen[1], "r");
    EXPECT_EQ(seen[2].substr(0, 2), "b@");
    EXPECT_DOUBLE_EQ(clock.now(), 1.0);
    rep.cancel();
    loop.runFor(1.0s);
    EXPECT_EQ(seen.size(), 5u);
}

TEST(RunLoop, DefaultModeTimerWaitsWhileTrackingButCommonFires) {
    ManualClock clock;
    RunLoop loop(clock);
    int def = 0, common = 0;
    auto d = loop.performAfter(0.1s, [&] { ++def; }, RunLoopMode::Default);
    auto c = loop.performAfter(0.1s, [&] { ++common; }, RunLoopMode::Common);
    loop.runFor(0.5s, RunLoopMode::Tracking);
    EXPECT_EQ(def, 0);
    EXPECT_EQ(common, 1);
    loop.runDue(RunLoopMode::Default);
    EXPECT_EQ(def, 1);
}

TEST(RunLoop, DelayedCallsCancelOneByOneOrAsAGroup) {
    ManualClock clock;
    RunLoop loop(clock);
    int a = 0, b = 0, c = 0;
    auto showX = loop.performAfter(0.3s, [&] { ++a; });
    auto hideX = loop.performAfter(0.3s, [&] { ++b; });
    auto hideY = loop.performAfter(0.3s, [&] { ++c; });
    EXPECT_TRUE(hideX.isActive());
    hideX.cancel();
    EXPECT_FALSE(hideX.isActive());
    EXPECT_TRUE(showX.isActive());
    EXPECT_TRUE(hideY.isActive());
    loop.runFor(0.5s);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 1);
    EXPECT_FALSE(showX.isActive());  // a one-shot that ran is done

    TimerGroup x;
    x.add(loop.performAfter(0.1s, [&] { ++a; }));
    x.add(loop.performAfter(0.1s, [&] { ++b; }));
    auto other = loop.performAfter(0.1s, [&] { ++c; });
    EXPECT_TRUE(x.anyActive());
    x.cancelAll();
    EXPECT_FALSE(x.anyActive());
    loop.runFor(0.5s);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 2);  // outside the group: untouched
}

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

TEST(RunLoop, IdleSystemLoopSleepsUntilAPostWakesIt) {
    SystemClock clock;
    RunLoop loop(clock);
    bool ran = false;
    std::thread t([&] { loop.post([&] { ran = true; loop.stop(); }); });
    loop.run();  // returns only because the post woke it and stopped it
    t.join();
    EXPECT_TRUE(ran);
}

TEST(RunLoop, RunForWaitsForBusyIdlingResourcesBeforeMovingTime) {
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
    EXPECT_DOUBLE_EQ(postedAt, 0.0);  // delivered before virtual time moved
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

    // Phase 3: a repeating timer that invalidates itself from its own callback stops for good.
    int ticks = 0;
    auto selfStopping = loop.scheduleRepeating(0.1s, [&](Timer& t) {
        if (++ticks == 3) t.invalidate();
    });
    loop.runFor(2.0s);
    EXPECT_EQ(ticks, 3);
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

TEST(RunLoop, OneShotTimerAddedInTrackingWaitsForThatMode) {
    ManualClock clock;
    RunLoop loop(clock);
    int fired = 0;
    auto t = loop.performAfter(0.2s, [&] { ++fired; }, RunLoopMode::Tracking);
    loop.runFor(1.0s);  // Default mode
    EXPECT_EQ(fired, 0);
    // Moved to Common, it now fires in Default too, once.
    loop.setTimerMode(t, RunLoopMode::Common);
    loop.runFor(0.1s);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(t.isActive());
}

TEST(RunLoop, RunUntilOnTheSystemClockReturnsWhenAnotherThreadsPostArrives) {
    SystemClock clock;
    RunLoop loop(clock);
    bool done = false;
    std::thread t([&] { loop.post([&] { done = true; }); });
    // The limit is a watchdog: a lost wake-up would show as a false return after 30 s.
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 30s));
    t.join();
}

TEST(RunLoop, SettleTimesOutWhileWorkIsBusyAndSucceedsOnceItEnds) {
    ManualClock clock;
    RunLoop loop(clock);
    IdlingResource worker(loop, "worker");
    {
        IdlingScope busy(&worker);
        EXPECT_FALSE(loop.allIdle());
        EXPECT_FALSE(loop.settle(0.05));  // bounded real-time wait, then gives up
    }
    EXPECT_TRUE(loop.allIdle());
    // Work ending on another thread, with a post, lets settle return and run the post.
    int posted = 0;
    worker.beginWork();
    std::thread t([&] {
        loop.post([&] { ++posted; });
        worker.endWork();
    });
    EXPECT_TRUE(loop.settle(30.0));
    t.join();
    loop.runDue();
    EXPECT_EQ(posted, 1);
}

TEST(RunLoop, DelayedPerformCancelledFromAnotherPerformOfTheSameTurn) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> seen;
    TimerHandle second;
    auto first = loop.performAfter(0.5s, [&] {
        seen.push_back("first");
        second.cancel();
    });
    second = loop.performAfter(0.5s, [&] { seen.push_back("second"); });
    // A call re-armed in the same handle after cancelling runs: cancellation does not stick to it.
    auto third = loop.performAfter(0.4s, [&] { seen.push_back("third"); });
    third.cancel();
    third = loop.performAfter(0.6s, [&] { seen.push_back("third"); });
    loop.runFor(1.0s);
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "third"}));
    EXPECT_FALSE(third.isActive());
}
