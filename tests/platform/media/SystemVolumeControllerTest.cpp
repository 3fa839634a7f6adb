#include "platform/foundation/EventLog.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/media/SystemVolumeController.h"

#include <gtest/gtest.h>

#include <any>
#include <limits>
#include <string>
#include <vector>

using namespace platform;
using SVC = SystemVolumeController;

namespace {

class VolumeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        RunLoop::setMain(&loop);
        NotificationCenter::setDefaultCenter(&center);
        EventLog::clear();
        observer = center.addObserver(SVC::kSystemVolumeDidChangeNotification, &avs, [this](const Notification& n) {
            seen.push_back(n);
        });
    }
    void TearDown() override {
        observer.reset();
        NotificationCenter::setDefaultCenter(nullptr);
        RunLoop::setMain(nullptr);
    }
    float volume(const std::string& category = SVC::kRingtone) {
        float v = -1;
        EXPECT_TRUE(avs.getVolume(v, category));
        return v;
    }

    ManualClock clock;
    RunLoop loop{clock};
    NotificationCenter center;
    SVC avs;
    std::vector<Notification> seen;
    ObserverHandle observer;
};

}  // namespace

TEST_F(VolumeFixture, AnnouncesOnlyRealChangesOfLiveControllersAndLogsEach) {
    float v = -1;
    std::string name;
    ASSERT_TRUE(avs.getActiveCategoryVolume(v, name));
    EXPECT_EQ(name, "Ringtone");
    EXPECT_EQ(v, 0.5f);

    // A change: logged at once, announced at the loop's next turn with the controller as object.
    EXPECT_TRUE(avs.setActiveCategoryVolumeTo(0.5625f));
    EXPECT_TRUE(seen.empty());
    loop.runDue();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].object, &avs);
    EXPECT_EQ(std::any_cast<std::string>(seen[0].userInfo.at(SVC::kCategoryParameter)), "Ringtone");
    EXPECT_EQ(std::any_cast<float>(seen[0].userInfo.at(SVC::kVolumeParameter)), 0.5625f);
    EXPECT_EQ(EventLog::lines(), std::vector<std::string>{"volume Ringtone 0.5625"});

    // NaN is refused; out-of-range values clamp, and a clamp that lands on the same value is silent.
    EXPECT_FALSE(avs.setActiveCategoryVolumeTo(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_TRUE(avs.setActiveCategoryVolumeTo(7.0f));
    EXPECT_EQ(volume(), 1.0f);
    EXPECT_TRUE(avs.setActiveCategoryVolumeTo(std::numeric_limits<float>::infinity()));
    loop.runDue();
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(EventLog::lines().back(), "volume Ringtone 1");

    // Another category becomes active: the keys and the reads follow it.
    EXPECT_FALSE(avs.setActiveCategory("Nonsense"));
    EXPECT_TRUE(avs.setActiveCategory(SVC::kAudioVideo));
    avs.volumeDown();
    loop.runDue();
    ASSERT_TRUE(avs.getActiveCategoryVolume(v, name));
    EXPECT_EQ(name, "Audio/Video");
    EXPECT_EQ(v, 0.4375f);
    EXPECT_EQ(volume(SVC::kRingtone), 1.0f);
    EXPECT_EQ(EventLog::lines().back(), "volume Audio/Video 0.4375");
    EXPECT_EQ(seen.size(), 3u);

    // The announcement of a controller that is gone is dropped.
    std::vector<Notification> any;
    auto fromAny = center.addObserver(SVC::kSystemVolumeDidChangeNotification, nullptr,
                                      [&](const Notification& n) { any.push_back(n); });
    {
        SVC shortLived;
        shortLived.volumeUp();
    }
    loop.runDue();
    EXPECT_TRUE(any.empty());
}

TEST_F(VolumeFixture, KeysStepBySixteenthsAndStopAtTheEnds) {
    // From between two steps, a key goes to the neighbouring step in its direction.
    avs.setActiveCategoryVolumeTo(0.53f);
    avs.volumeUp();
    EXPECT_EQ(volume(), 0.5625f);
    avs.setActiveCategoryVolumeTo(0.53f);
    avs.volumeDown();
    EXPECT_EQ(volume(), 0.5f);

    // Up to the top: the last press that changes nothing is neither announced nor logged.
    avs.setActiveCategoryVolumeTo(0.875f);
    loop.runDue();
    seen.clear();
    EventLog::clear();
    for (int i = 0; i < 4; ++i) avs.volumeUp();
    loop.runDue();
    EXPECT_EQ(volume(), 1.0f);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(EventLog::lines(), (std::vector<std::string>{"volume Ringtone 0.9375", "volume Ringtone 1"}));

    // All the way down: sixteen presses reach 0, the seventeenth does nothing.
    seen.clear();
    for (int i = 0; i < 17; ++i) avs.volumeDown();
    loop.runDue();
    EXPECT_EQ(volume(), 0.0f);
    EXPECT_EQ(seen.size(), 16u);
    EXPECT_EQ(EventLog::lines().back(), "volume Ringtone 0");
}
