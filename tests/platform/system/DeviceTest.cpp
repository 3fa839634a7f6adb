#include "platform/foundation/NotificationCenter.h"
#include "platform/system/Device.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(Device, OrientationIsAnnouncedOnlyWhenAskedForAndChanged) {
    NotificationCenter center;
    NotificationCenter::setDefaultCenter(&center);
    Device device;
    std::vector<int> seen;
    auto observer = center.addObserver(Device::kOrientationDidChangeNotification, &device, [&](const Notification& n) {
        EXPECT_EQ(n.object, &device);
        seen.push_back(static_cast<const Device*>(n.object)->orientation());
    });
    EXPECT_EQ(device.orientation(), Device::kOrientationPortrait);

    // Nobody asked yet: the orientation changes quietly.
    EXPECT_TRUE(device.setOrientation(Device::kOrientationLandscapeLeft));
    EXPECT_EQ(device.orientation(), 3);
    EXPECT_TRUE(seen.empty());

    // Asked: each change is announced at once, with the new orientation readable from the device.
    device.beginGeneratingDeviceOrientationNotifications();
    EXPECT_TRUE(device.setOrientation(Device::kOrientationLandscapeRight));
    EXPECT_TRUE(device.setOrientation(Device::kOrientationLandscapeRight));  // no change, no news
    EXPECT_TRUE(device.setOrientation(Device::kOrientationFaceDown));
    EXPECT_EQ(seen, (std::vector<int>{4, 6}));

    // Numbers outside 1 to 6 are refused and change nothing.
    for (int bad : {0, 7, -1}) EXPECT_FALSE(device.setOrientation(bad)) << bad;
    EXPECT_EQ(device.orientation(), 6);
    EXPECT_EQ(seen.size(), 2u);

    // Begins nest; extra ends do not go below zero.
    device.beginGeneratingDeviceOrientationNotifications();
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(1);
    EXPECT_EQ(seen.size(), 3u);
    device.endGeneratingDeviceOrientationNotifications();
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(2);
    EXPECT_EQ(seen.size(), 3u);
    device.beginGeneratingDeviceOrientationNotifications();
    device.setOrientation(3);
    EXPECT_EQ(seen.size(), 4u);

    observer.reset();
    NotificationCenter::setDefaultCenter(nullptr);
}
