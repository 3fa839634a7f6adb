// The accelerometer service for real: a private bus as the system bus and python3-dbusmock's
// iio-sensors-proxy template, turned by its SetInternalProperty as a test would turn a phone.
#include "platform/foundation/RunLoop.h"
#include "platform/system/SensorProxyOrientation.h"
#include "tests/support/TestBus.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr const char* kName = "net.hadess.SensorProxy";
constexpr const char* kPath = "/net/hadess/SensorProxy";
constexpr const char* kMock = "org.freedesktop.DBus.Mock";

std::string mockParameters(const std::string& orientation) {
    return "{\"has_accelerometer\": true, \"accelerometer_orientation\": \"" + orientation + "\"}";
}

class SensorProxyOrientationTest : public testenv::BusTest {
protected:
    std::unique_ptr<SensorProxyOrientation> makeSensor() {
        return std::make_unique<SensorProxyOrientation>(
            loop, [this](DeviceOrientation o) { seen.push_back(o); },
            [this](const std::string& line) { warnings.push_back(line); }, bus.address());
    }
    // Runs the loop until `count` orientations have arrived.
    bool seenCount(size_t count) {
        return loop.runUntil([&] { return seen.size() >= count; }, Seconds{10});
    }
    void turn(const std::string& name) {
        auto r = bus.call(kName, kPath, kMock, "SetInternalProperty",
                          "'net.hadess.SensorProxy', 'AccelerometerOrientation', dbus.String('" + name +
                              "', variant_level=1)");
        ASSERT_EQ(r.status, 0) << r.out;
    }

    std::vector<DeviceOrientation> seen;
    std::vector<std::string> warnings;
};

}  // namespace

// Missing at first, then there: claimed and read. The service's names map onto the device's
// orientations; "undefined" and names we do not know change nothing, the latter with one warning
// line for all of them. Gone and back with the device held another way: claimed and read again,
// with nothing said about the absence. At the end the claim is given back.
TEST_F(SensorProxyOrientationTest, FollowsTheServiceWheneverItIsThereAndReleasesTheAccelerometer) {
    auto sensor = makeSensor();
    int mock = bus.startMock("iio-sensors-proxy", mockParameters("normal"), kName);
    ASSERT_GT(mock, 0);
    ASSERT_TRUE(seenCount(1));  // the orientation as it stood at the claim
    auto owners = bus.call(kName, kPath, kMock, "GetInternalProperty", "'AccelerometerOwners'");
    EXPECT_NE(owners.out.find(":1."), std::string::npos) << owners.out;

    turn("right-up");
    ASSERT_TRUE(seenCount(2));
    turn("undefined");
    turn("sideways");
    turn("face-up\\n");
    turn("left-up");
    ASSERT_TRUE(seenCount(3));
    turn("bottom-up");
    ASSERT_TRUE(seenCount(4));
    bus.stopMock(mock, kName);
    ASSERT_GT(bus.startMock("iio-sensors-proxy", mockParameters("right-up"), kName), 0);
    ASSERT_TRUE(seenCount(5));
    EXPECT_EQ(seen, (std::vector{DeviceOrientation::Portrait, DeviceOrientation::LandscapeLeft,
                                 DeviceOrientation::LandscapeRight, DeviceOrientation::PortraitUpsideDown,
                                 DeviceOrientation::LandscapeLeft}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("'sideways'"), std::string::npos) << warnings[0];

    sensor.reset();
    auto calls = bus.call(kName, kPath, kMock, "GetCalls");
    EXPECT_NE(calls.out.find("ReleaseAccelerometer"), std::string::npos) << calls.out;
}
