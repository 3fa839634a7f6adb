// Headless sessions of the real binary that check where pictures go and what they carry: a camera
// roll behind symbolic links, a folder that cannot be written, the first second after start, and
// geotags that follow the location-services switch. Files are read with djpeg and exiftool.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using faults::Session;

const char* kOneShot = "wait 2\ntap @snapButton\nwait 2\nquit\n";

fs::path dcim(const fs::path& root) { return root / "var/mobile/Media/DCIM"; }

// The names in a folder (links included, not followed), sorted.
std::vector<std::string> names(const fs::path& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(dir, ec)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// True when djpeg decodes the file to its end without a warning.
bool decodes(const fs::path& file) {
    return testenv::run(testenv::djpeg() + " -outfile /dev/null " + testenv::shellQuote(file.string())).status == 0;
}

std::string exif(const fs::path& file, const std::string& tags) {
    return testenv::run(testenv::exiftool() + " -n -s3 " + tags + " " + testenv::shellQuote(file.string())).out;
}

}  // namespace

// DCIM is a link to a folder on "another disk": the picture and its thumbnail land there, whole.
TEST(Saving, DcimLinkedToAFolderElsewhere) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    fs::create_directories(dir / "disk/dcim");
    fs::create_directories(dcim(root).parent_path());
    fs::create_directory_symlink(dir / "disk/dcim", dcim(root));

    Session s = faults::runKestrova(dir.path(), root, kOneShot);
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_TRUE(fs::is_symlink(dcim(root)));
    EXPECT_EQ(names(dir / "disk/dcim/100APPLE"), (std::vector<std::string>{"IMG_0001.JPG", "IMG_0001.THM"}));
    EXPECT_TRUE(decodes(dir / "disk/dcim/100APPLE/IMG_0001.JPG"));
    EXPECT_TRUE(decodes(dir / "disk/dcim/100APPLE/IMG_0001.THM"));
    EXPECT_EQ(exif(dir / "disk/dcim/100APPLE/IMG_0001.JPG", "-ImageWidth"), "1600\n");
}

// A picture folder that is a link: its pictures count in the scan, the new one lands beside them.
TEST(Saving, PictureFolderLinkedToAFolderElsewhere) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    faults::copyFile(faults::sampleJpeg(dir.path()), dir / "pics/IMG_0004.JPG");
    fs::create_directories(dcim(root));
    fs::create_directory_symlink(dir / "pics", dcim(root) / "100APPLE");

    Session s = faults::runKestrova(dir.path(), root, kOneShot);
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_TRUE(fs::is_symlink(dcim(root) / "100APPLE"));
    EXPECT_EQ(names(dir / "pics"), (std::vector<std::string>{"IMG_0004.JPG", "IMG_0005.JPG", "IMG_0005.THM"}));
    EXPECT_TRUE(decodes(dir / "pics/IMG_0005.JPG"));
    EXPECT_TRUE(decodes(dir / "pics/IMG_0005.THM"));
}

// Links that lead round in circles, through the folder elsewhere and back into the root: the scan
// ends, the session ends, the picture is written.
TEST(Saving, LinkCyclesDoNotHang) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    fs::create_directories(dir / "disk/dcim/100APPLE");
    fs::create_directories(dcim(root).parent_path());
    fs::create_directory_symlink(dir / "disk/dcim", dcim(root));
    fs::create_directory_symlink(dcim(root), dir / "disk/dcim/100APPLE/back");
    fs::create_directory_symlink("..", dir / "disk/dcim/100APPLE/up");
    fs::create_directory_symlink(".", dir / "disk/dcim/here");

    Session s = faults::runKestrova(dir.path(), root, kOneShot);
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(names(dir / "disk/dcim/100APPLE"),
              (std::vector<std::string>{"IMG_0001.JPG", "IMG_0001.THM", "back", "up"}));
    EXPECT_TRUE(decodes(dir / "disk/dcim/100APPLE/IMG_0001.JPG"));
}

// Dangling links named like the next picture and the next thumbnail: those numbers are skipped
// and the links stay as they were.
TEST(Saving, DanglingLinksHoldTheirNumbers) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    const fs::path folder = dcim(root) / "100APPLE";
    faults::copyFile(faults::sampleJpeg(dir.path()), folder / "IMG_0003.JPG");
    fs::create_symlink(dir / "nowhere/IMG_0004.JPG", folder / "IMG_0004.JPG");
    fs::create_symlink("missing.THM", folder / "IMG_0005.THM");

    Session s = faults::runKestrova(dir.path(), root, kOneShot);
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(names(folder), (std::vector<std::string>{"IMG_0003.JPG", "IMG_0004.JPG", "IMG_0005.THM",
                                                       "IMG_0006.JPG", "IMG_0006.THM"}));
    EXPECT_EQ(fs::read_symlink(folder / "IMG_0004.JPG"), dir / "nowhere/IMG_0004.JPG");
    EXPECT_EQ(fs::read_symlink(folder / "IMG_0005.THM"), "missing.THM");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_FALSE(fs::exists(folder / "missing.THM"));
    EXPECT_TRUE(decodes(folder / "IMG_0006.JPG"));
}

// A read-only picture folder: the shots are not written and leave no thumbnail file; once the
// folder is writable again, the next session's shots appear normally.
TEST(Saving, ReadOnlyFolderLeavesNoThumbnailAndLaterShotsAppear) {
    if (!faults::canDropPrivileges()) GTEST_SKIP() << "permissions cannot be made to count here";
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    const fs::path folder = dcim(root) / "100APPLE";
    faults::copyFile(faults::sampleJpeg(dir.path()), folder / "IMG_0001.JPG");
    faults::chownTree(root);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

    Session s = faults::runKestrova(dir.path(), root, "wait 2\ntap @snapButton\nwait 1\nkey volume-up\nwait 2\nquit\n",
                                    "", true);
    EXPECT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(names(folder), std::vector<std::string>{"IMG_0001.JPG"});

    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    Session again = faults::runKestrova(dir.path(), root, kOneShot, "", true);
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(names(folder), (std::vector<std::string>{"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0002.THM"}));
    EXPECT_TRUE(decodes(folder / "IMG_0002.JPG"));
    EXPECT_TRUE(decodes(folder / "IMG_0002.THM"));
}

// A tap 0.2 s and a volume press 0.5 s after start, before the picture writer has started: both
// are pictures, numbered after those already in the roll.
TEST(Saving, TheFirstSecondIsServed) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    const fs::path folder = dcim(root) / "100APPLE";
    faults::copyFile(faults::sampleJpeg(dir.path()), folder / "IMG_0010.JPG");

    Session s = faults::runKestrova(dir.path(), root, "wait 0.2\ntap @snapButton\nwait 0.25\nkey volume-up\nwait 3\nquit\n");
    ASSERT_EQ(s.status, 0) << s.out;
    size_t sounds = 0;
    for (size_t at = s.out.find("sound shutter"); at != std::string::npos; at = s.out.find("sound shutter", at + 1))
        ++sounds;
    EXPECT_EQ(sounds, 2u) << s.out;
    EXPECT_EQ(names(folder), (std::vector<std::string>{"IMG_0010.JPG", "IMG_0011.JPG", "IMG_0011.THM",
                                                       "IMG_0012.JPG", "IMG_0012.THM"}));
    EXPECT_TRUE(decodes(folder / "IMG_0011.JPG"));
    EXPECT_TRUE(decodes(folder / "IMG_0012.JPG"));
}

// A fix, then location services off: the next picture has no position although the fix is kept;
// on again: the position is back.
TEST(Saving, GeotagsFollowTheLocationServicesSwitch) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    Session s = faults::runKestrova(dir.path(), root,
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
    const fs::path folder = dcim(root) / "100APPLE";
    ASSERT_EQ(names(folder), (std::vector<std::string>{"IMG_0001.JPG", "IMG_0001.THM", "IMG_0002.JPG",
                                                       "IMG_0002.THM"}));
    EXPECT_EQ(exif(folder / "IMG_0001.JPG", "-GPSLatitude -GPSLongitude -GPSLatitudeRef"), "");
    EXPECT_EQ(exif(folder / "IMG_0002.JPG", "-GPSLatitude -GPSLongitude -GPSLatitudeRef -GPSLongitudeRef"),
              "-33.5\n151.25\nS\nE\n");
}
