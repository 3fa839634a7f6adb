// The device as a window runs it, with no sensor or location option, on a private system bus with
// the accelerometer service (python3-dbusmock's iio-sensors-proxy) and our GeoClue2 stand-in: it
// is held as the service says and takes GeoClue's fix; with both services gone the orientation
// stays and location services are off. (What the services say and how is the sources' own tests'.)
#include "host/device/SimulatedDevice.h"
#include "platform/location/LocationManager.h"
#include "platform/location/LocationManagerDelegate.h"
#include "platform/location/LocationServices.h"
#include "tests/support/TestBus.h"

#include <gtest/gtest.h>

#include <vector>

using platform::DeviceOrientation;
using platform::Seconds;

namespace {

struct Fixes : platform::LocationManagerDelegate {
    void locationManagerDidUpdateToLocation(platform::LocationManager&, const platform::Location& l,
                                            const platform::Location*) override {
        fixes.push_back(l);
    }
    std::vector<platform::Location> fixes;
};

}  // namespace

TEST(DeviceSensors, TheDeviceFollowsTheAccelerometerAndGeoClue) {
    if (!testenv::TestBus::available()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
    testenv::TestBus bus;
    ASSERT_TRUE(bus.ok());
    const std::string proxy = "net.hadess.SensorProxy", geoclue = "org.freedesktop.GeoClue2";
    const int iio = bus.startMock(
        "iio-sensors-proxy", "{\"has_accelerometer\": true, \"accelerometer_orientation\": \"right-up\"}", proxy);
    const int locator = bus.startMock(testenv::TestBus::geoclueTemplate(), "", geoclue);
    ASSERT_GT(iio, 0);
    ASSERT_GT(locator, 0);
    auto placed = bus.call(geoclue, "/org/freedesktop/GeoClue2/Manager", "org.freedesktop.DBus.Mock", "SetLocation",
                           "dbus.Dictionary({'Latitude': -33.5, 'Longitude': 151.25, 'Accuracy': 10.0, "
                           "'Timestamp': [100, 0]}, signature='sv')");
    ASSERT_EQ(placed.status, 0) << placed.out;
    testenv::ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.address().c_str());

    testenv::ScratchDir dir;
    auto parsed = host::Options::parse({"--device-root", dir.path().string(), "--camera", "synthetic"},
                                       [](const char*) -> const char* { return nullptr; });
    ASSERT_TRUE(parsed.options) << parsed.error;
    platform::SystemClock clock;
    host::SimulatedDevice device(*parsed.options, clock, [](const std::string&) {});
    std::string error;
    ASSERT_TRUE(device.launch(&error, std::make_unique<platform::ApplicationDelegate>())) << error;
    platform::RunLoop& loop = device.runLoop();
    EXPECT_TRUE(loop.runUntil([&] { return device.orientation() == DeviceOrientation::LandscapeLeft; }, Seconds{10}));

    platform::LocationManager manager;
    Fixes delegate;
    manager.setDelegate(&delegate);
    manager.startUpdatingLocation();
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.fixes.empty(); }, Seconds{10}));
    EXPECT_DOUBLE_EQ(delegate.fixes[0].latitude, -33.5);
    EXPECT_DOUBLE_EQ(delegate.fixes[0].longitude, 151.25);

    bus.stopMock(iio, proxy);
    bus.stopMock(locator, geoclue);
    EXPECT_TRUE(loop.runUntil([] { return !platform::LocationServices::current().enabled(); }, Seconds{10}));
    EXPECT_EQ(device.orientation(), DeviceOrientation::LandscapeLeft);
    manager.stopUpdatingLocation();
}
