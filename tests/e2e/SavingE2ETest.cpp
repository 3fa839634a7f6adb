// Pictures' geotags through the real binary: the location-services switch decides at each picture,
// whatever fix the device keeps. Files are read with exiftool.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A fix, then location services off: the next picture has no position although the fix is kept;
// on again: the position is back.
TEST(Saving, GeotagsFollowTheLocationServicesSwitch) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    faults::Session s = faults::runKestrova(dir.path(), root,
                                            "wait 2\n"
                                            "location -33.5 151.25\n"
                                            "wait 0.5\n"
                                            "location-services off\n"
                                            "tap @snapButton\n"
                                            "wait 2\n"
                                            "location-services on\n"
                                            "tap @snapButton\n"
                                            "wait 2\n"
                                            "quit\n");
    ASSERT_EQ(s.status, 0) << s.out;
    const auto pictures = faults::pictures(root);
    ASSERT_EQ(pictures.size(), 2u) << s.out;
    EXPECT_EQ(testenv::exifValues(pictures[0], "-GPSLatitude -GPSLongitude -GPSLatitudeRef"), "");
    EXPECT_EQ(testenv::exifValues(pictures[1], "-GPSLatitude -GPSLongitude -GPSLatitudeRef -GPSLongitudeRef"),
              "-33.5\n151.25\nS\nE\n");
}

}  // namespace
