// The real window under Xvfb on a private system bus with the accelerometer service
// (python3-dbusmock's iio-sensors-proxy) and our GeoClue2 stand-in, with no sensor or location
// option given: pictures taken while the service holds the device each way carry the EXIF
// orientation of headless pictures taken with --orientation 1 to 4, and GeoClue's fix lands in
// their GPS tags; with both services stopped, the orientation stays and the geotags end. (Services
// that come back, or refuse, are the sources' own tests'.) Waits are bounded, none fixed.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestBus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using testenv::shellQuote;

// Shell functions for a session: `turn NAME` sets the accelerometer's orientation, `place LAT LON
// SECONDS` gives GeoClue2 a fix, `shoot ORIENTATION [LATITUDE]` clicks the shutter area until a
// new picture carries that EXIF orientation (and GPS latitude; "-" for none) and prints it, and
// `gone NAME` waits until a service has left the bus.
std::string sessionFunctions(const testenv::TestBus& bus, const fs::path& dcim) {
    const std::string py = "/usr/bin/python3 -c ";
    const std::string connect = "import dbus, sys; b = dbus.bus.BusConnection('" + bus.address() + "'); ";
    return "export DBUS_SYSTEM_BUS_ADDRESS=" + shellQuote(bus.address()) + "\n"
           "turn() { " + py + shellQuote(connect +
               "b.get_object('net.hadess.SensorProxy', '/net/hadess/SensorProxy').SetInternalProperty("
               "'net.hadess.SensorProxy', 'AccelerometerOrientation', dbus.String(sys.argv[1], variant_level=1), "
               "dbus_interface='org.freedesktop.DBus.Mock')") + " \"$1\"; }\n"
           "place() { " + py + shellQuote(connect +
               "b.get_object('org.freedesktop.GeoClue2', '/org/freedesktop/GeoClue2/Manager').SetLocation("
               "dbus.Dictionary({'Latitude': float(sys.argv[1]), 'Longitude': float(sys.argv[2]), 'Accuracy': 10.0, "
               "'Timestamp': [int(sys.argv[3]), 0]}, signature='sv'), dbus_interface='org.freedesktop.DBus.Mock')") +
               " \"$1\" \"$2\" \"$3\"; }\n"
           "newest() { find " + shellQuote(dcim.string()) + " -name 'IMG_*.JPG' 2>/dev/null | sort | tail -1; }\n"
           "shoot() {\n"
           "  for try in $(seq 40); do\n"
           "    before=$(newest)\n"
           "    xdotool mousemove --window $wid 160 200 click 1\n"
           "    for i in $(seq 40); do [ \"$(newest)\" != \"$before\" ] && break; sleep 0.05; done\n"
           "    f=$(newest); [ \"$f\" = \"$before\" ] && continue\n"
           "    for i in $(seq 40); do [ -s \"${f%.JPG}.THM\" ] && break; sleep 0.05; done\n"
           "    o=$(" + testenv::exiftool() + " -n -s3 -Orientation \"$f\")\n"
           "    lat=$(" + testenv::exiftool() + " -n -s3 -GPSLatitude \"$f\"); lat=${lat:--}\n"
           "    [ \"$o\" = \"$1\" ] && { [ -z \"$2\" ] || [ \"$lat\" = \"$2\" ]; } && { echo \"$o $lat\"; return 0; }\n"
           "  done\n"
           "  echo \"never $1 ${2:-}; last $o $lat\"\n"
           "}\n"
           "gone() { for i in $(seq 200); do dbus-send --bus=\"$DBUS_SYSTEM_BUS_ADDRESS\" --print-reply "
           "--dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:$1 | "
           "grep -q 'boolean false' && return 0; sleep 0.05; done; }\n";
}

}  // namespace

TEST(SensorsE2E, TheWindowFollowsTheAccelerometerAndGeoClue) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    if (!testenv::TestBus::available()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
    testenv::ScratchDir dir;
    std::map<int, std::string> ref;
    for (int n : {1, 2, 3, 4}) ref[n] = faults::exifOrientation(dir.path(), n);
    // The four orientations are told apart in the file, or the comparison below proves nothing.
    ASSERT_EQ(std::set<std::string>({ref[1], ref[2], ref[3], ref[4]}).size(), 4u)
        << ref[1] << " " << ref[2] << " " << ref[3] << " " << ref[4];

    testenv::TestBus bus;
    ASSERT_TRUE(bus.ok());
    const int iio = bus.startMock("iio-sensors-proxy", "{\"has_accelerometer\": true, \"accelerometer_orientation\": \"normal\"}",
                                  "net.hadess.SensorProxy");
    const int geoclue = bus.startMock(testenv::TestBus::geoclueTemplate(), "", "org.freedesktop.GeoClue2");
    ASSERT_GT(iio, 0);
    ASSERT_GT(geoclue, 0);
    const std::string dcim = (dir / "device/var/mobile/Media/DCIM").string();
    const std::string inner =
        sessionFunctions(bus, dcim) +
        "place -33.5 151.25 100\n" +
        testenv::windowStart(shellQuote(testenv::kestrovaBinary()) +
                             " --scale 1 --camera synthetic --device-root " + shellQuote((dir / "device").string())) +
        "turn normal; echo \"normal $(shoot " + ref[1] + " -33.5)\"\n"
        "turn right-up; echo \"right-up $(shoot " + ref[3] + ")\"\n"
        "turn left-up; echo \"left-up $(shoot " + ref[4] + ")\"\n"
        "turn bottom-up; echo \"bottom-up $(shoot " + ref[2] + " -33.5)\"\n"
        // Both services stop: the orientation stays, location services are off.
        "kill " + std::to_string(iio) + " " + std::to_string(geoclue) + "\n"
        "gone net.hadess.SensorProxy; gone org.freedesktop.GeoClue2\n"
        "echo \"stopped $(shoot " + ref[2] + " -)\"\n" +
        testenv::kWindowEnd;
    auto r = testenv::run("timeout 240 " + testenv::xvfbRun("-screen 0 640x800x24") + " bash -c " + shellQuote(inner));
    EXPECT_NE(r.out.find("normal " + ref[1] + " -33.5\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("right-up " + ref[3] + " -33.5\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("left-up " + ref[4] + " -33.5\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bottom-up " + ref[2] + " -33.5\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stopped " + ref[2] + " -\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("exit=0"), std::string::npos) << r.out;
}
