#include "host/device/SimulatedDevice.h"
#include "host/window/FingerTracker.h"
#include "host/window/WindowHost.h"
#include "host/window/WindowInput.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/EventLog.h"
#include "platform/ui/ApplicationDelegate.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>

using host::FingerTracker;
using host::WindowHost;
using host::WindowInput;

TEST(FingerTracker, NumbersFollowTheFingersNotTheEvents) {
    FingerTracker t;
    t.reserve(0, true);  // say the mouse holds 0
    // Two fingers of one screen get the lowest free numbers; a repeated press keeps its number.
    EXPECT_EQ(t.press({1, 100}), 1);
    EXPECT_EQ(t.press({1, 200}), 2);
    EXPECT_EQ(t.press({1, 100}), 1);
    // The same finger id on another touch device is another finger.
    EXPECT_EQ(t.press({2, 100}), 3);
    EXPECT_EQ(t.find({1, 200}), 2);
    // A lifted finger frees its number for the next one.
    EXPECT_EQ(t.release({1, 100}), 1);
    EXPECT_FALSE(t.find({1, 100}));
    EXPECT_FALSE(t.release({1, 100}));
    EXPECT_EQ(t.press({1, 300}), 1);
    // Focus lost: everything comes up at once.
    auto all = t.releaseAll();
    EXPECT_EQ(all, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(t.empty());
    // More fingers than numbers: the extra ones are ignored.
    for (int i = 0; i < FingerTracker::kFingers - 1; ++i) EXPECT_TRUE(t.press({9, i}));
    EXPECT_FALSE(t.press({9, 99}));
}

TEST(WindowInput, TurningAndMirroring) {
    // Four turns to the left come back to portrait, through landscape left, upside down, right.
    using platform::DeviceOrientation;
    DeviceOrientation o = DeviceOrientation::Portrait;
    std::vector<DeviceOrientation> seen;
    for (int i = 0; i < 4; ++i) seen.push_back(o = WindowInput::turnedOrientation(o, true));
    EXPECT_EQ(seen, (std::vector{DeviceOrientation::LandscapeLeft, DeviceOrientation::PortraitUpsideDown,
                                 DeviceOrientation::LandscapeRight, DeviceOrientation::Portrait}));
    EXPECT_EQ(WindowInput::turnedOrientation(DeviceOrientation::LandscapeLeft, false), DeviceOrientation::Portrait);
    // Face up or down turn as if in portrait.
    EXPECT_EQ(WindowInput::turnedOrientation(DeviceOrientation::FaceUp, false), DeviceOrientation::LandscapeRight);
    // The pinch's second finger mirrors the first about the screen's centre.
    EXPECT_EQ(WindowInput::mirrored({100, 40}), (platform::Point{220, 440}));
    EXPECT_EQ(WindowInput::mirrored({160, 240}), (platform::Point{160, 240}));
}

// The keys of every window system: F11 and F12 go back to the host, Ctrl+Left and Ctrl+Right turn
// the device a quarter (without Ctrl, nothing), the volume keys step the device's volume.
TEST(WindowInput, KeysTurnTheDeviceStepItsVolumeOrGoToTheHost) {
    testenv::ScratchDir dir;
    platform::ManualClock clock;
    host::Options options;
    options.deviceRoot = dir / "device";
    options.headless = true;
    host::SimulatedDevice device(options, clock);
    std::string error;
    ASSERT_TRUE(device.launch(&error, std::make_unique<platform::ApplicationDelegate>())) << error;
    WindowInput input;
    input.attach(&device);
    using Key = WindowInput::Key;
    using Command = WindowInput::Command;
    using platform::DeviceOrientation;
    EXPECT_EQ(input.keyPressed(Key::F11, false), Command::ToggleFullScreen);
    EXPECT_EQ(input.keyPressed(Key::F12, true), Command::Screenshot);
    EXPECT_EQ(input.keyPressed(Key::Left, false), Command::None);
    EXPECT_EQ(device.orientation(), DeviceOrientation::Portrait);
    input.keyPressed(Key::Left, true);
    EXPECT_EQ(device.orientation(), DeviceOrientation::LandscapeLeft);
    input.keyPressed(Key::Right, true);
    input.keyPressed(Key::Right, true);
    EXPECT_EQ(device.orientation(), DeviceOrientation::LandscapeRight);

    platform::EventLog::clear();
    EXPECT_EQ(input.keyPressed(Key::VolumeUp, false), Command::None);
    input.keyPressed(Key::VolumeDown, false);
    input.keyPressed(Key::VolumeDown, false);
    EXPECT_EQ(input.keyPressed(Key::Other, true), Command::None);
    auto lines = platform::EventLog::lines();
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("volume ", 0); }),
                lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"volume Ringtone 0.5625", "volume Ringtone 0.5",
                                               "volume Ringtone 0.4375"}));
}

TEST(WindowHost, PhoneShapedDisplaysStartFullScreen) {
    EXPECT_TRUE(WindowHost::startsFullScreen(720, 1440));
    EXPECT_TRUE(WindowHost::startsFullScreen(1080, 2340));
    // Portrait, but wider than the screen: a window with bars above and below fits well.
    EXPECT_FALSE(WindowHost::startsFullScreen(640, 800));
    EXPECT_FALSE(WindowHost::startsFullScreen(320, 480));
    EXPECT_FALSE(WindowHost::startsFullScreen(1366, 768));
}
