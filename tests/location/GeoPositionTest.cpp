#include "location/GeoPosition.h"
#include "location/GeoPositionDelegate.h"
#include "platform/location/LocationManager.h"
#include "tests/support/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <thread>
#include <vector>

using namespace kestrova;
using platform::Location;

namespace {

class Recorder : public GeoPositionDelegate {
public:
    void updateAboutViewLabels() override { ++labels; }
    void newError(const std::string& text) override { errors.push_back(text); }
    void newLocationUpdate(const std::string& text) override { updates.push_back(text); }
    int labels = 0;
    std::vector<std::string> errors, updates;
};

// Feeds a fix as the location manager would, on this (the main) thread.
void feed(GeoPosition* geo, double lat, double lon, double accuracy = 5) {
    geo->locationManagerDidUpdateToLocation(*geo->locationManager(), Location{lat, lon, accuracy, 0}, nullptr);
}

}  // namespace

// The instance is the process's; ctest runs each test in a process of its own, and run directly
// this test comes first, before anything has fed a fix.
TEST(GeoPosition, OneInstanceThroughItsWholeLife) {
    // Made once, even when the first calls race; a second one cannot be made.
    std::vector<std::future<GeoPosition*>> racers;
    for (int i = 0; i < 4; ++i) racers.push_back(std::async(std::launch::async, [] { return GeoPosition::sharedInstance(); }));
    std::set<GeoPosition*> seen;
    for (auto& r : racers) seen.insert(r.get());
    ASSERT_EQ(seen.size(), 1u);
    GeoPosition* geo = *seen.begin();
    ASSERT_NE(geo, nullptr);
    EXPECT_EQ(GeoPosition::create(), nullptr);
    ASSERT_NE(geo->locationManager(), nullptr);
    EXPECT_EQ(geo->locationManager()->delegate(), geo);

    Recorder rec;
    geo->setDelegate(&rec);
    auto manager = geo->locationManager();

    // Before any fix: no position.
    ASSERT_EQ(geo->getValuesState(), 0) << "an earlier test in this process fed a fix";
    EXPECT_FALSE(geo->getSnapshot().has_value());

    // An error before the first fix stops the updates and passes an empty text on.
    manager->startUpdatingLocation();
    geo->locationManagerDidFailWithError(*manager, {platform::LocationError::Code::LocationUnknown, "x"});
    EXPECT_FALSE(manager->updating());
    ASSERT_EQ(rec.updates.size(), 1u);
    EXPECT_EQ(rec.updates[0], "");
    EXPECT_TRUE(rec.errors.empty());

    // A fix with negative accuracy is ignored: nothing stored, no label refresh, updates go on.
    manager->startUpdatingLocation();
    feed(geo, 12, 34, -1);
    EXPECT_EQ(geo->getValuesState(), 0);
    EXPECT_EQ(rec.labels, 0);
    EXPECT_TRUE(manager->updating());

    // A fix is accepted, stops the updates, refreshes the labels.
    feed(geo, -33.86, 151.21);
    EXPECT_EQ(geo->getValuesState(), 1);
    EXPECT_FALSE(manager->updating());
    EXPECT_EQ(rec.labels, 1);
    EXPECT_EQ(geo->getCurrLatitude(), -33.86f);  // narrowed to single precision
    EXPECT_EQ(geo->getCurrLongitude(), 151.21f);
    EXPECT_EQ(geo->getLatRef(), "S");
    EXPECT_EQ(geo->getLongRef(), "E");

    // After the fix an error leaves running updates alone, and the position stays.
    manager->startUpdatingLocation();
    geo->locationManagerDidFailWithError(*manager, {platform::LocationError::Code::LocationUnknown, "x"});
    EXPECT_TRUE(manager->updating());
    EXPECT_EQ(geo->getValuesState(), 1);
    EXPECT_EQ(geo->getLatRef(), "S");

    // Accuracy 0 is a perfect fix, not an invalid one: taken, and the updates stop.
    feed(geo, 12.5, 34.5, 0);
    EXPECT_EQ(geo->getCurrLatitude(), 12.5f);
    EXPECT_EQ(geo->getLatRef(), "N");
    EXPECT_FALSE(manager->updating());

    // Hemisphere letters follow the sign bit, so negative zero is south or west.
    struct Case { double lat, lon; const char* latRef; const char* lonRef; };
    for (const Case& c : {Case{0.0, -0.0, "N", "W"}, Case{-90, 180, "S", "E"}, Case{-0.0, 0.0, "S", "E"}}) {
        feed(geo, c.lat, c.lon);
        EXPECT_EQ(geo->getLatRef(), c.latRef) << c.lat;
        EXPECT_EQ(geo->getLongRef(), c.lonRef) << c.lon;
    }

    // Values the platform never delivers do not disturb the stored fix either.
    feed(geo, std::nan(""), 10);
    feed(geo, 10, 1e300);
    EXPECT_EQ(geo->getLatRef(), "S");
    EXPECT_EQ(geo->getCurrLongitude(), 0.0f);

    geo->setDelegate(nullptr);
}

// The worker reads the position while the main thread takes new fixes: every read is one whole fix.
TEST(GeoPosition, ReadersSeeOneWholeFixWhileFixesArrive) {
    GeoPosition* geo = GeoPosition::sharedInstance();
    feed(geo, 10.5, 20.25);
    std::atomic<bool> writing{true};
    std::atomic<long> reads{0};
    std::atomic<long> torn{0};

    auto reader = std::async(std::launch::async, [&] {
        while (writing.load(std::memory_order_acquire) || reads.load() < 1000) {
            auto s = geo->getSnapshot();
            bool north = s && s->latitude == 10.5f && s->longitude == 20.25f && s->latitudeRef == "N" &&
                         s->longitudeRef == "E";
            bool south = s && s->latitude == -30.5f && s->longitude == -40.75f && s->latitudeRef == "S" &&
                         s->longitudeRef == "W";
            if (!north && !south) torn.fetch_add(1);
            reads.fetch_add(1);
        }
    });
    for (int i = 0; i < 20000; ++i) {
        if (i % 2) feed(geo, 10.5, 20.25);
        else feed(geo, -30.5, -40.75);
    }
    writing.store(false, std::memory_order_release);
    testenv::withWatchdog([&] { reader.get(); }, "the reader thread");
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
}
