// The built kestrova, headless, deleting a picture through the quick view as a user would.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testenv::run;
using testenv::shellQuote;

TEST(QuickViewDeleteE2E, DraggedThumbnailAndDeleteRemoveThatPictureOnly) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    // Two pictures; the newest thumbnail (docked right at 288.4, 360) dragged 170 points left
    // brings in the tab; "Delete" removes picture 2; a third picture follows.
    testenv::writeFile(dir / "delete.script",
                       "wait 2\n"
                       "tap @snapButton\n"
                       "wait 1\n"
                       "tap @snapButton\n"
                       "wait 1\n"
                       "drag 288 360 118 360 0.3\n"
                       "wait 0.5\n"
                       "tap \"Delete\"\n"
                       "wait 1\n"
                       "tap @snapButton\n"
                       "wait 2\n"
                       "quit\n");
    auto r = run(shellQuote(testenv::kestrovaBinary()) + " --headless --device-root " + shellQuote(root.string()) +
                 " --script " + shellQuote((dir / "delete.script").string()));
    ASSERT_EQ(r.status, 0) << r.out;

    const fs::path roll = root / "var/mobile/Media/DCIM/100APPLE";
    EXPECT_FALSE(fs::exists(roll / "IMG_0002.JPG"));
    EXPECT_FALSE(fs::exists(roll / "IMG_0002.THM"));
    // The first picture is untouched: both files there, and the picture still decodes.
    ASSERT_TRUE(fs::exists(roll / "IMG_0001.JPG"));
    EXPECT_TRUE(fs::exists(roll / "IMG_0001.THM"));
    auto decoded = run(testenv::djpeg() + " -pnm " + shellQuote((roll / "IMG_0001.JPG").string()) + " | head -c 2");
    EXPECT_EQ(decoded.out, "P6");
    // The number of the deleted picture is not given back.
    EXPECT_TRUE(fs::exists(roll / "IMG_0003.JPG"));
    EXPECT_TRUE(fs::exists(roll / "IMG_0003.THM"));
    EXPECT_FALSE(fs::exists(roll / "IMG_0004.JPG"));
}

}  // namespace
