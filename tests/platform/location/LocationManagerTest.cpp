#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/location/LocationManager.h"
#include "platform/location/LocationManagerDelegate.h"
#include "platform/location/LocationServices.h"
#include "platform/location/SimulatedLocationSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <vector>

using namespace std::chrono_literals;

using namespace platform;

namespace {

// A fix's latitude, longitude and accuracy, compared whole.
using Fields = std::tuple<double, double, double>;
Fields fields(const Location& l) { return {l.latitude, l.longitude, l.horizontalAccuracy}; }

struct Update {
    Location location;
    std::optional<Location> old;
};

class Recorder : public LocationManagerDelegate {
public:
    void locationManagerDidUpdateToLocation(LocationManager& m, const Location& l, const Location* old) override {
        updates.push_back({l, old ? std::optional<Location>(*old) : std::nullopt});
        if (stopOnFix) m.stopUpdatingLocation();
    }
    void locationManagerDidFailWithError(LocationManager&, const LocationError& e) override { errors.push_back(e); }

    std::vector<Update> updates;
    std::vector<LocationError> errors;
    bool stopOnFix = false;
};

// A receiver that hands out whatever it is given, so the source's own filter is what is tested.
class RawSource : public LocationSource {
public:
    using LocationSource::deliver;
    using LocationSource::setAvailable;
    int starts = 0, stops = 0;

protected:
    void start() override { ++starts; }
    void stop() override { ++stops; }
};

class LocationFixture : public ::testing::Test {
protected:
    void SetUp() override { RunLoop::setMain(&loop); }
    void TearDown() override {
        LocationServices::setCurrent(nullptr);
        RunLoop::setMain(nullptr);
    }
    void install(bool enabled, std::shared_ptr<LocationSource> source) {
        services = std::make_unique<LocationServices>(enabled, std::move(source));
        LocationServices::setCurrent(services.get());
    }

    ManualClock clock;
    RunLoop loop{clock};
    std::unique_ptr<LocationServices> services;
};

}  // namespace

TEST_F(LocationFixture, SimulatedFixFollowsStartAndEveryInjectionAndEachStop) {
    auto sim = std::make_shared<SimulatedLocationSource>(loop, Location{51.5074, -0.1278, 5, 0});
    install(true, sim);
    LocationManager manager;
    Recorder rec;
    manager.setDelegate(&rec);
    EXPECT_TRUE(manager.locationServicesEnabled());

    // The first fix comes half a second after the start, not before.
    loop.runFor(1.0s);
    EXPECT_TRUE(rec.updates.empty()) << "no fix before updates start";
    manager.startUpdatingLocation();
    loop.runFor(0.49s);
    EXPECT_TRUE(rec.updates.empty());
    loop.runFor(0.02s);
    ASSERT_EQ(rec.updates.size(), 1u);
    EXPECT_EQ(fields(rec.updates[0].location), (Fields{51.5074, -0.1278, 5}));
    EXPECT_DOUBLE_EQ(rec.updates[0].location.timestamp, 1.5);
    EXPECT_FALSE(rec.updates[0].old.has_value());

    // An injected position arrives at the loop's next turn, with the previous fix as the old one.
    EXPECT_TRUE(sim->inject(-33.86, 151.21));
    loop.runDue();
    ASSERT_EQ(rec.updates.size(), 2u);
    EXPECT_EQ(fields(rec.updates[1].location), (Fields{-33.86, 151.21, SimulatedLocationSource::kDefaultAccuracy}));
    ASSERT_TRUE(rec.updates[1].old.has_value());
    EXPECT_EQ(fields(*rec.updates[1].old), fields(rec.updates[0].location));
    ASSERT_TRUE(manager.location().has_value());
    EXPECT_EQ(fields(*manager.location()), fields(rec.updates[1].location));

    // Stopped: an injection moves the receiver but reaches nobody, even one already posted.
    EXPECT_TRUE(sim->inject(10, 20));
    manager.stopUpdatingLocation();
    loop.runFor(2.0s);
    EXPECT_EQ(rec.updates.size(), 2u);

    // Started again: the latest position, half a second later.
    manager.startUpdatingLocation();
    loop.runFor(0.5s);
    ASSERT_EQ(rec.updates.size(), 3u);
    EXPECT_DOUBLE_EQ(rec.updates[2].location.latitude, 10);

    // Stopped before the next first fix, at 0.3 s: that fix never comes.
    manager.stopUpdatingLocation();
    manager.startUpdatingLocation();
    loop.runFor(0.3s);
    manager.stopUpdatingLocation();
    EXPECT_FALSE(sim->active());
    loop.runFor(2.0s);
    EXPECT_EQ(rec.updates.size(), 3u);

    // Two managers on one receiver; the first stops inside its callback, the second still hears.
    Recorder other;
    LocationManager second;
    second.setDelegate(&other);
    rec.stopOnFix = true;
    manager.startUpdatingLocation();
    second.startUpdatingLocation();
    loop.runFor(0.5s);
    EXPECT_EQ(rec.updates.size(), 4u);
    EXPECT_EQ(other.updates.size(), 1u);
    EXPECT_FALSE(manager.updating());
    EXPECT_TRUE(second.updating());
    sim->inject(4, 5);
    loop.runDue();
    EXPECT_EQ(rec.updates.size(), 4u);
    EXPECT_EQ(other.updates.size(), 2u);
}

TEST_F(LocationFixture, DisabledServicesReportDeniedAndNoneNeverFixes) {
    auto sim = std::make_shared<SimulatedLocationSource>(loop, Location{1, 2, 3, 0});
    install(false, sim);
    LocationManager manager;
    Recorder rec;
    manager.setDelegate(&rec);
    EXPECT_FALSE(manager.locationServicesEnabled());

    // Disabled: one Denied error at the next turn, never a fix, the receiver never switched on.
    manager.startUpdatingLocation();
    EXPECT_TRUE(rec.errors.empty()) << "the error is not delivered from inside the start";
    loop.runFor(2.0s);
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0].code, LocationError::Code::Denied);
    EXPECT_TRUE(rec.updates.empty());
    EXPECT_FALSE(sim->active());

    // A stop before the next turn swallows the error, also when updates start again at once:
    // then only the new start's error comes.
    manager.stopUpdatingLocation();
    manager.startUpdatingLocation();
    manager.stopUpdatingLocation();
    manager.startUpdatingLocation();
    loop.runFor(1.0s);
    EXPECT_EQ(rec.errors.size(), 2u);
    manager.stopUpdatingLocation();

    // "none": services on, a receiver without a position. Nothing until a position is injected.
    auto none = std::make_shared<SimulatedLocationSource>(loop);
    install(true, none);
    manager.startUpdatingLocation();
    loop.runFor(30.0s);
    EXPECT_TRUE(rec.updates.empty());
    EXPECT_EQ(rec.errors.size(), 2u);
    none->inject(7, 8);
    loop.runDue();
    EXPECT_EQ(rec.updates.size(), 1u);
}

// On while the user's switch is on and the receiver's service is available; only a change of
// that is announced. Services made over an unavailable receiver start off, and replacing the
// services keeps the new ones informed.
TEST_F(LocationFixture, ServicesAreOnWhileTheSwitchIsOnAndTheReceiverAvailable) {
    NotificationCenter center;
    NotificationCenter::setDefaultCenter(&center);
    int announced = 0;
    auto observer = center.addObserver(LocationServices::kEnabledDidChangeNotification, nullptr,
                                       [&](const Notification&) { ++announced; });
    auto raw = std::make_shared<RawSource>();
    install(true, raw);
    raw->setAvailable(false);
    EXPECT_FALSE(services->enabled());
    EXPECT_EQ(announced, 1);
    services->setEnabled(false);
    raw->setAvailable(true);
    EXPECT_FALSE(services->enabled());
    EXPECT_EQ(announced, 1);
    services->setEnabled(true);
    EXPECT_TRUE(services->enabled());
    EXPECT_EQ(announced, 2);

    raw->setAvailable(false);
    install(true, raw);
    EXPECT_FALSE(services->enabled());
    raw->setAvailable(true);
    EXPECT_TRUE(services->enabled());
    EXPECT_EQ(announced, 4);
    NotificationCenter::setDefaultCenter(nullptr);
}

TEST_F(LocationFixture, ValuesOffTheGlobeOrNotFiniteAreNeverAFix) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto sim = std::make_shared<SimulatedLocationSource>(loop, Location{nan, 0, 5, 0});
    EXPECT_FALSE(sim->position().has_value()) << "a NaN start position is dropped";
    install(true, sim);
    LocationManager manager;
    Recorder rec;
    manager.setDelegate(&rec);
    manager.startUpdatingLocation();
    loop.runFor(1.0s);
    EXPECT_TRUE(rec.updates.empty());

    // Injection refuses them and keeps the receiver where it was.
    for (auto [lat, lon, acc] : std::vector<std::tuple<double, double, double>>{
             {nan, 0, 5}, {0, nan, 5}, {0, 0, nan}, {inf, 0, 5}, {0, -inf, 5}, {0, 0, inf},
             {90.0001, 0, 5}, {-90.5, 0, 5}, {0, 180.0001, 5}, {0, -181, 5}})
        EXPECT_FALSE(sim->inject(lat, lon, acc)) << lat << " " << lon << " " << acc;
    loop.runDue();
    EXPECT_TRUE(rec.updates.empty());
    EXPECT_FALSE(sim->position().has_value());

    // The edges of the globe and a negative (invalid-fix) accuracy are values a receiver reports.
    EXPECT_TRUE(sim->inject(90, -180, 5));
    EXPECT_TRUE(sim->inject(-90, 180, -1));
    loop.runDue();
    ASSERT_EQ(rec.updates.size(), 2u);
    EXPECT_DOUBLE_EQ(rec.updates[1].location.horizontalAccuracy, -1);

    // A receiver that passes garbage on (as gpsd may) is filtered by the source itself.
    manager.stopUpdatingLocation();
    auto raw = std::make_shared<RawSource>();
    install(true, raw);
    manager.startUpdatingLocation();
    EXPECT_EQ(raw->starts, 1);
    for (const Location& bad : {Location{nan, 1, 1, 0}, Location{1, 1, -inf, 0}, Location{1, 200, 1, 0}})
        raw->deliver(bad);
    EXPECT_EQ(rec.updates.size(), 2u);
    raw->deliver({1, 2, 3, 0});
    EXPECT_EQ(rec.updates.size(), 3u);
}
