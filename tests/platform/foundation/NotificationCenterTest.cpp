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
    int a = 0, b = 0, c = 0;
    std::vector<std::string> seen;
    center.addObserver(&a, "orientation", nullptr, [&](const Notification& n) { seen.push_back("a:" + n.name); });
    center.addObserver(&b, "orientation", &device, [&](const Notification& n) { seen.push_back("b:" + n.name); });
    center.addObserver(&c, "", &volume, [&](const Notification& n) {
        auto it = n.userInfo.find("category");
        seen.push_back("c:" + n.name + ":" + (it == n.userInfo.end() ? "" : std::any_cast<std::string>(it->second)));
    });

    center.post("orientation", &device);  // a (any poster) and b (this poster)
    center.post("orientation", &volume);  // a (any poster) and c (every name from volume)
    center.post(Notification{"volume", &volume, {{"category", std::string("Ringtone")}}});
    EXPECT_EQ(seen, (std::vector<std::string>{"a:orientation", "b:orientation", "a:orientation",
                                              "c:orientation:", "c:volume:Ringtone"}));
}

TEST(NotificationCenter, RemovalDuringDeliveryIsSafe) {
    MainLoop main;
    NotificationCenter center;
    int a = 0, b = 0, c = 0;
    std::vector<std::string> seen;
    // a removes b (registered after it) and itself while the notification is being delivered.
    center.addObserver(&a, "n", nullptr, [&](const Notification&) {
        seen.push_back("a");
        center.removeObserver(&b);
        center.removeObserver(&a);
    });
    center.addObserver(&b, "n", nullptr, [&](const Notification&) { seen.push_back("b"); });
    center.addObserver(&c, "n", nullptr, [&](const Notification&) {
        seen.push_back("c");
        center.addObserver(&b, "n", nullptr, [&](const Notification&) { seen.push_back("b2"); });
    });
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "c"}));  // b2 was added mid-delivery: next time
    seen.clear();
    center.post("n");
    EXPECT_EQ(seen, (std::vector<std::string>{"c", "b2"}));

    // Removing one (name, object) registration keeps the observer's others.
    int obj = 0;
    seen.clear();
    center.addObserver(&a, "x", &obj, [&](const Notification&) { seen.push_back("ax"); });
    center.addObserver(&a, "y", nullptr, [&](const Notification&) { seen.push_back("ay"); });
    center.removeObserver(&a, "x", &obj);
    center.post("x", &obj);
    center.post("y");
    EXPECT_EQ(seen, (std::vector<std::string>{"ay"}));
}

TEST(NotificationCenter, PostFromAnotherThreadIsDeliveredOnTheMainLoop) {
    MainLoop main;
    NotificationCenter center;
    const auto mainThread = std::this_thread::get_id();
    int observer = 0, delivered = 0;
    bool onMain = false;
    center.addObserver(&observer, "ready", nullptr, [&](const Notification&) {
        ++delivered;
        onMain = std::this_thread::get_id() == mainThread;
    });
    std::thread t([&] { center.post("ready"); });
    t.join();
    EXPECT_EQ(delivered, 0);  // not on the poster's thread
    main.loop.runDue();
    EXPECT_EQ(delivered, 1);
    EXPECT_TRUE(onMain);
}

TEST(NotificationCenter, PostForACentreDestroyedMeanwhileIsDropped) {
    MainLoop main;
    int delivered = 0, observer = 0;
    {
        NotificationCenter center;
        center.addObserver(&observer, "late", nullptr, [&](const Notification&) { ++delivered; });
        std::thread t([&] { center.post("late"); });
        t.join();
    }
    main.loop.runDue();  // must not touch the destroyed centre
    EXPECT_EQ(delivered, 0);
}
