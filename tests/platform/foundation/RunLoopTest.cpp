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
