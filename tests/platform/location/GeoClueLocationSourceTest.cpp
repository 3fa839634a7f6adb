// GeoClue2 for real: a private bus as the system bus and our GeoClue2 stand-in on python3-dbusmock
// (tests/support/geoclue2_mock.py). Fixes, bad answers, a refusal, a missing service and one that
// comes back.
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/location/GeoClueLocationSource.h"
#include "platform/location/SimulatedLocationSource.h"
#include "tests/support/TestBus.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr const char* kName = "org.freedesktop.GeoClue2";
constexpr const char* kManager = "/org/freedesktop/GeoClue2/Manager";
constexpr const char* kMock = "org.freedesktop.DBus.Mock";

class Listener : public LocationSource::Listener {
public:
    void locationSourceDidUpdate(const Location& l) override { fixes.push_back(l); }
    void locationSourceDidFail(const LocationError& e) override { errors.push_back(e); }
    std::vector<Location> fixes;
    std::vector<LocationError> errors;
};

class GeoClueTest : public testenv::BusTest {
protected:
    std::shared_ptr<GeoClueLocationSource> makeSource(std::shared_ptr<LocationSource> fallback = nullptr) {
        return std::make_shared<GeoClueLocationSource>(
            loop, [this](const std::string& line) { warnings.push_back(line); }, bus.address(), std::move(fallback));
    }
    int startGeoClue(bool deny = false) {
        return bus.startMock(testenv::TestBus::geoclueTemplate(), deny ? "{\"deny\": true}" : "", kName);
    }
    // `properties`: a Python dict of the Location object's properties.
    void setLocation(const std::string& properties) {
        auto r = bus.call(kName, kManager, kMock, "SetLocation", "dbus.Dictionary(" + properties + ", signature='sv')");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    std::string startedClients() { return bus.call(kName, kManager, kMock, "GetStartedClients").out; }
    bool runUntil(const std::function<bool()>& done) { return loop.runUntil(done, Seconds{10}); }

    Listener listener;
    std::vector<std::string> warnings;
};

std::string fix(const std::string& lat, const std::string& lon, const std::string& accuracy, int seconds) {
    return "{'Latitude': " + lat + ", 'Longitude': " + lon + ", 'Accuracy': " + accuracy +
           ", 'Timestamp': [" + std::to_string(seconds) + ", 500000]}";
}

}  // namespace

// Not on the bus: off. Then there but refusing: still off, with a Denied error. Restarted without
// the refusal: on, and started for the listener still there, with our desktop id and exact
// accuracy. Fixes arrive whole; one of the wrong types, one off the globe and one older than the
// last are dropped, with one warning line for all. Stopped when not listened to; going away while
// in use turns it off again.
TEST_F(GeoClueTest, FollowsTheServiceDeliversFixesAndDropsBadOnes) {
    auto source = makeSource();
    source->addListener(&listener);
    ASSERT_TRUE(runUntil([&] { return !source->available(); }));
    listener.errors.clear();  // the missing service's; the refusal must bring its own
    int mock = startGeoClue(true);
    ASSERT_GT(mock, 0);
    ASSERT_TRUE(runUntil([&] { return !listener.errors.empty(); }));
    EXPECT_EQ(listener.errors[0].code, LocationError::Code::Denied);
    EXPECT_FALSE(source->available());
    bus.stopMock(mock, kName);
    mock = startGeoClue();
    ASSERT_GT(mock, 0);
    ASSERT_TRUE(runUntil([&] { return source->available(); }));
    ASSERT_TRUE(testenv::waitUntil([&] { return startedClients() == "1\n"; }));
    const std::string client = "/org/freedesktop/GeoClue2/Client/1";
    EXPECT_EQ(bus.call(kName, client, "org.freedesktop.DBus.Properties", "Get",
                       "'org.freedesktop.GeoClue2.Client', 'DesktopId'").out, "org.kestrova.camera\n");
    EXPECT_EQ(bus.call(kName, client, "org.freedesktop.DBus.Properties", "Get",
                       "'org.freedesktop.GeoClue2.Client', 'RequestedAccuracyLevel'").out, "8\n");

    setLocation(fix("-33.86", "151.21", "12.5", 100));
    ASSERT_TRUE(runUntil([&] { return listener.fixes.size() == 1; }));
    EXPECT_DOUBLE_EQ(listener.fixes[0].latitude, -33.86);
    EXPECT_DOUBLE_EQ(listener.fixes[0].longitude, 151.21);
    EXPECT_DOUBLE_EQ(listener.fixes[0].horizontalAccuracy, 12.5);
    EXPECT_TRUE(warnings.empty());

    setLocation(fix("95.0", "1.0", "1.0", 101));
    ASSERT_TRUE(runUntil([&] { return warnings.size() == 1; }));
    EXPECT_NE(warnings[0].find("off the globe"), std::string::npos) << warnings[0];
    setLocation(fix("float('nan')", "1.0", "1.0", 102));
    setLocation("{'Latitude': 'north', 'Longitude': 1.0, 'Accuracy': 1.0}");
    setLocation(fix("1.0", "2.0", "3.0", 99));
    setLocation(fix("51.5", "-0.13", "40.0", 103));
    ASSERT_TRUE(runUntil([&] { return listener.fixes.size() == 2; }));
    EXPECT_DOUBLE_EQ(listener.fixes[1].latitude, 51.5);
    EXPECT_DOUBLE_EQ(listener.fixes[1].longitude, -0.13);
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(source->available());

    source->removeListener(&listener);
    EXPECT_TRUE(testenv::waitUntil([&] { return startedClients() == "0\n"; }));
    source->addListener(&listener);
    bus.stopMock(mock, kName);
    EXPECT_TRUE(runUntil([&] { return !source->available(); }));
}

// Not on the bus with a fallback: the fallback's fixes instead, and on.
TEST_F(GeoClueTest, AMissingServiceLeavesTheJobToTheFallback) {
    auto fallback = std::make_shared<SimulatedLocationSource>(loop, Location{47.5, 8.5, 10, 0});
    auto source = makeSource(fallback);
    source->addListener(&listener);
    ASSERT_TRUE(runUntil([&] { return listener.fixes.size() == 1; }));
    EXPECT_TRUE(source->usingFallback());
    EXPECT_TRUE(source->available());
    EXPECT_DOUBLE_EQ(listener.fixes[0].latitude, 47.5);
    source->removeListener(&listener);
    EXPECT_FALSE(fallback->active());
    EXPECT_TRUE(warnings.empty());
}
