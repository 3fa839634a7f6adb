#include "platform/foundation/NotificationCenter.h"
#include "platform/system/Device.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(Device, OrientationIsAnnouncedOnlyWhenAskedForAndChanged) {
    NotificationCenter center;
    NotificationCenter::setDefaultCenter(&center);
    Device device;
    std::vector<DeviceOrientation> seen;
    auto observer = center.addObserver(Device::kOrientationDidChangeNotification, &device, [&](const Notification& n) {
        EXPECT_EQ(n.object, &device);
        seen.push_back(static_cast<const Device*>(n.object)->orientation());
    });
    EXPECT_EQ(device.orientation(), DeviceOrientation::Portrait);

    // Nobody asked yet: the orientation changes quietly.
    EXPECT_TRUE(device.setOrientation(DeviceOrientation::LandscapeLeft));
    EXPECT_EQ(device.orientation(), DeviceOrientation::LandscapeLeft);
    EXPECT_TRUE(seen.empty());

    // Asked: each change is announced at once, with the new orientation readable from the device.
    device.beginGeneratingDeviceOrientationNotifications();
    EXPECT_TRUE(device.setOrientation(DeviceOrientation::LandscapeRight));
    EXPECT_TRUE(device.setOrientation(DeviceOrientation::LandscapeRight));  // no change, no news
    EXPECT_TRUE(device.setOrientation(DeviceOrientation::FaceDown));
    EXPECT_EQ(seen, (std::vector{DeviceOrientation::LandscapeRight, DeviceOrientation::FaceDown}));

    // Unknown and values outside the enumeration are refused and change nothing.
    for (int bad : {0, 7, -1}) EXPECT_FALSE(device.setOrientation(DeviceOrientation(bad))) << bad;
    EXPECT_EQ(device.orientation(), DeviceOrientation::FaceDown);
    EXPECT_EQ(seen.size(), 2u);

    // Begins nest; extra ends do not go below zero.
    device.beginGeneratingDeviceOrientationNotifications();
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(DeviceOrientation::Portrait);
    EXPECT_EQ(seen.size(), 3u);
    device.endGeneratingDeviceOrientationNotifications();
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(DeviceOrientation::PortraitUpsideDown);
    EXPECT_EQ(seen.size(), 3u);
    device.beginGeneratingDeviceOrientationNotifications();
    device.setOrientation(DeviceOrientation::LandscapeLeft);
    EXPECT_EQ(seen.size(), 4u);

    observer.reset();
    NotificationCenter::setDefaultCenter(nullptr);
}
