#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <thread>

using namespace platform;

namespace {
// Installs a main run loop for one test.
struct MainLoop {
    ManualClock clock;
    RunLoop loop{clock};
    MainLoop() { RunLoop::setMain(&loop); }
    ~MainLoop() { RunLoop::setMain(nullptr); }
};
}  // namespace

TEST(NotificationCenter, DeliversByNameAndObjectInRegistrationOrder) {
    MainLoop main;
    NotificationCenter center;
    int device = 0, volume = 0;
    std::vector<std::string> seen;
    auto a = center.addObserver("orientation", nullptr, [&](const Notification& n) { seen.push_back("a:" + n.name); });
    auto b = center.addObserver("orientation", &device, [&](const Notification& n) { seen.push_back("b:" + n.name); });
    auto c = center.addObserver("", &volume, [&](const Notification& n) {
        auto it = n.userInfo.find("category");
        seen.push_back("c:" + n.name + ":" + (it == n.userInfo.end() ? "" : std::any_cast<std::string>(it->second)));
    });

    center.post("orientation", &device);  // a (any poster) and b (this poster)
    center.post("orientation", &volume);  // a (any poster) and c (every name from volume)
    center.post(Notification{"volume", &volume, {{"category", std::string("Ringtone")}}});
    EXPECT_EQ(seen, (std::vector<std::string>{"a:orientation", "b:orientation", "a:orientation",
                                              "c:orientation:", "c:volume:Ringtone"}));
}

TEST(NotificationCenter, AHandleKeepsItsRegistrationAndNoOther) {
    MainLoop main;
    NotificationCenter center;
    std::vector<std::string> seen;
    ObserverHandle x = center.addObserver("n", nullptr, [&](const Notification&) { seen.push_back("x"); });
    ObserverHandle y = center.addObserver("n", nullptr, [&](const Notification&) { seen.push_back("y"); });

    // Moved: the registration goes with it; the moved-from handle is empty.
    ObserverHandle kept = std::move(x);
    EXPECT_FALSE(x.isActive());
    EXPECT_TRUE(kept.isActive());
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"x", "y"}));

    // Dropped or reassigned: only that registration ends.
    seen.clear();
    { ObserverHandle gone = std::move(y); }
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"x"}));
    seen.clear();
    kept = center.addObserver("n", nullptr, [&](const Notification&) { seen.push_back("z"); });
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"z"}));
}

TEST(NotificationCenter, RemovalDuringDeliveryIsSafe) {
    MainLoop main;
    NotificationCenter center;
    std::vector<std::string> seen;
    ObserverHandle a, b, c, b2;
    // a removes b (registered after it) and itself while the notification is being delivered.
    a = center.addObserver("n", nullptr, [&](const Notification&) {
        seen.push_back("a");
        b.reset();
        a.reset();
    });
    b = center.addObserver("n", nullptr, [&](const Notification&) { seen.push_back("b"); });
    c = center.addObserver("n", nullptr, [&](const Notification&) {
        seen.push_back("c");
        if (!b2.isActive()) b2 = center.addObserver("n", nullptr, [&](const Notification&) { seen.push_back("b2"); });
    });
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "c"}));  // b2 was added mid-delivery: next time
    seen.clear();
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"c", "b2"}));
}

// A post from another thread is delivered on the main loop, not on the poster's thread; one for
// a centre destroyed meanwhile is dropped without touching it or its handles.
TEST(NotificationCenter, PostFromAnotherThreadIsDeliveredOnTheMainLoopWhileTheCentreLives) {
    MainLoop main;
    const auto mainThread = std::this_thread::get_id();
    int delivered = 0, late = 0;
    bool onMain = false;
    ObserverHandle outlives;
    {
        NotificationCenter center;
        auto observer = center.addObserver("ready", nullptr, [&](const Notification&) {
            ++delivered;
            onMain = std::this_thread::get_id() == mainThread;
        });
        std::thread([&] { center.post("ready"); }).join();
        EXPECT_EQ(delivered, 0);
        main.loop.runDue();
        EXPECT_EQ(delivered, 1);
        EXPECT_TRUE(onMain);
        outlives = center.addObserver("late", nullptr, [&](const Notification&) { ++late; });
        std::thread([&] { center.post("late"); }).join();
    }
    main.loop.runDue();
    EXPECT_EQ(late, 0);
    EXPECT_FALSE(outlives.isActive());
    outlives.reset();
}
