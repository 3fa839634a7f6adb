#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform;

TEST(RunLoop, TimersFireInDateOrderAndRepeat) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> seen;
    loop.scheduleTimer(0.5, false, [&](Timer&) { seen.push_back("b@" + std::to_string(clock.now())); });
    loop.scheduleTimer(0.2, false, [&](Timer&) { seen.push_back("a@" + std::to_string(clock.now())); });
    auto rep = loop.scheduleTimer(0.3, true, [&](Timer&) { seen.push_back("r"); });
    loop.runFor(1.0);
    // a at 0.2, r at 0.3, b at 0.5, r at 0.6, r at 0.9
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].substr(0, 2), "a@");
    EXPECT_EQ(seen[1], "r");
    EXPECT_EQ(seen[2].substr(0, 2), "b@");
    EXPECT_DOUBLE_EQ(clock.now(), 1.0);
    rep->invalidate();
    loop.runFor(1.0);
    EXPECT_EQ(seen.size(), 5u);
}

TEST(RunLoop, DefaultModeTimerWaitsWhileTrackingButCommonFires) {
    ManualClock clock;
    RunLoop loop(clock);
    int def = 0, common = 0;
    loop.scheduleTimer(0.1, false, [&](Timer&) { ++def; }, RunLoopMode::Default);
    loop.scheduleTimer(0.1, false, [&](Timer&) { ++common; }, RunLoopMode::Common);
    loop.runFor(0.5, RunLoopMode::Tracking);
    EXPECT_EQ(def, 0);
    EXPECT_EQ(common, 1);
    loop.runDue(RunLoopMode::Default);
    EXPECT_EQ(def, 1);
}

TEST(RunLoop, DelayedPerformsCancelByTargetAndByAction) {
    ManualClock clock;
    RunLoop loop(clock);
    int a = 0, b = 0, c = 0;
    int targetX = 0, targetY = 0;
    loop.performAfter(&targetX, "show", 0.3, [&] { ++a; });
    loop.performAfter(&targetX, "hide", 0.3, [&] { ++b; });
    loop.performAfter(&targetY, "hide", 0.3, [&] { ++c; });
    EXPECT_TRUE(loop.hasPendingPerform(&targetX, "hide"));
    loop.cancelPerform(&targetX, "hide");
    EXPECT_FALSE(loop.hasPendingPerform(&targetX, "hide"));
    loop.runFor(0.5);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 1);

    loop.performAfter(&targetX, "show", 0.1, [&] { ++a; });
    loop.performAfter(&targetX, "hide", 0.1, [&] { ++b; });
    loop.cancelPerforms(&targetX);
    loop.runFor(0.5);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
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
    loop.runFor(5.0);
    t.join();
    EXPECT_DOUBLE_EQ(postedAt, 0.0);  // delivered before virtual time moved
}

TEST(RunLoop, CallbacksThatRunTheLoopOrCancelTimersFireEachTimerOnce) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> seen;
    std::shared_ptr<Timer> victim;

    // Phase 1: a callback that runs the loop again (as a modal wait would) does not make a due
    // timer fire twice, and a timer it adds joins the loop afterwards.
    loop.scheduleTimer(0.1, false, [&](Timer&) {
        seen.push_back("nesting");
        loop.scheduleTimer(0.0, false, [&](Timer&) { seen.push_back("added"); });
        loop.runDue();
    });
    loop.scheduleTimer(0.1, false, [&](Timer&) { seen.push_back("sibling"); });
    loop.runFor(0.1);
    EXPECT_EQ(seen, (std::vector<std::string>{"nesting", "sibling", "added"}));

    // Phase 2: a timer invalidated by an earlier callback of the same turn does not fire.
    seen.clear();
    loop.scheduleTimer(0.1, false, [&](Timer&) {
        seen.push_back("killer");
        victim->invalidate();
    });
    victim = loop.scheduleTimer(0.1, true, [&](Timer&) { seen.push_back("victim"); });
    loop.runFor(1.0);
    EXPECT_EQ(seen, (std::vector<std::string>{"killer"}));
    EXPECT_FALSE(loop.nextFireDate().has_value());

    // Phase 3: a repeating timer that invalidates itself from its own callback stops for good.
    int ticks = 0;
    loop.scheduleTimer(0.1, true, [&](Timer& t) {
        if (++ticks == 3) t.invalidate();
    });
    loop.runFor(2.0);
    EXPECT_EQ(ticks, 3);
}

TEST(RunLoop, RepeatingTimerSkipsMissedFiresWhenTheClockJumps) {
    // A system clock moves while the loop is busy elsewhere; the manual clock's set() stands in
    // for that jump without running the loop.
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<double> fired;
    auto t = loop.scheduleTimer(0.3, true, [&](Timer&) { fired.push_back(clock.now()); });
    clock.set(1.05);  // fires at 0.3, 0.6 and 0.9 were missed
    EXPECT_EQ(loop.runDue(), 1u);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_NEAR(t->fireDate(), 1.2, 1e-9);  // stays on its grid, in the future
    loop.runFor(0.2);  // to 1.25
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_NEAR(fired[1], 1.2, 1e-9);
}

TEST(RunLoop, OneShotTimerAddedInTrackingWaitsForThatMode) {
    ManualClock clock;
    RunLoop loop(clock);
    int fired = 0;
    auto t = Timer::create(0.2, false, [&](Timer&) { ++fired; });
    loop.addTimer(t, RunLoopMode::Tracking);
    loop.runFor(1.0);  // Default mode
    EXPECT_EQ(fired, 0);
    // Adding it again moves it to Common: it now fires in Default too, once.
    loop.addTimer(t, RunLoopMode::Common);
    loop.runFor(0.1);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(t->isValid());
}

TEST(RunLoop, RunUntilOnTheSystemClockReturnsWhenAnotherThreadsPostArrives) {
    SystemClock clock;
    RunLoop loop(clock);
    bool done = false;
    std::thread t([&] { loop.post([&] { done = true; }); });
    // The limit is a watchdog: a lost wake-up would show as a false return after 30 s.
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 30.0));
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
    int target = 0;
    std::vector<std::string> seen;
    loop.performAfter(&target, "first", 0.5, [&] {
        seen.push_back("first");
        loop.cancelPerform(&target, "second");
    });
    loop.performAfter(&target, "second", 0.5, [&] { seen.push_back("second"); });
    // A perform re-armed after cancelling runs: cancellation does not poison the name.
    loop.performAfter(&target, "third", 0.4, [&] { seen.push_back("third"); });
    loop.cancelPerform(&target, "third");
    loop.performAfter(&target, "third", 0.6, [&] { seen.push_back("third"); });
    loop.runFor(1.0);
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "third"}));
    EXPECT_FALSE(loop.hasPendingPerform(&target, "third"));
}
