#include "capture/CameraRoll.h"

#include "platform/foundation/FileManager.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

using kestrova::CameraRoll;
namespace fs = std::filesystem;

namespace {

class CameraRollTest : public ::testing::Test {
protected:
    fs::path dcim() const { return dir_.path() / "var/mobile/Media/DCIM"; }
    // Creates an empty file at `rel` below DCIM, with its folders.
    void touch(const std::string& rel) {
        fs::create_directories((dcim() / rel).parent_path());
        testenv::writeFile(dcim() / rel, "x");
    }
    bool exists(const std::string& rel) const { return fs::exists(dcim() / rel); }
    // Scans a fresh roll; returns the first number it hands out.
    std::optional<int> scan() {
        roll_.initializeSavingVariables();
        return roll_.claimImageNumber();
    }

    testenv::ScratchDir dir_;
    platform::FileManager files_{dir_.path()};
    CameraRoll roll_{files_};
};

}  // namespace

TEST_F(CameraRollTest, NothingIsHandedOutBeforeTheScanAndNumbersCountOn) {
    // Before the scan nothing is handed out: a picture would get number 0.
    EXPECT_FALSE(roll_.claimImageNumber());
    EXPECT_FALSE(roll_.readyForPictures());
    EXPECT_EQ(scan(), 1);
    EXPECT_EQ(roll_.claimImageNumber(), 2);
}

// The next number follows the name that sorts last, ignoring case, under its path relative to
// the folder (so a subfolder's name counts) and lexically (IMG_10000 < IMG_2000); a thumbnail
// alone does not count; 8997 is the last in a folder, and a folder at 8998 moves on to the next.
// Without DCIM the first folder is made and numbers start at 1.
TEST_F(CameraRollTest, NumbersFollowTheNameThatSortsLast) {
    struct Case {
        const char* what;
        std::vector<std::string> files;
        int number, folder;
    };
    const Case cases[] = {
        {"no DCIM", {}, 1, 100},
        {"greatest", {"IMG_0009.JPG", "IMG_0042.JPG", "IMG_0041.JPG"}, 43, 100},
        {"case and thumbnails", {"img_0005.jpg", "IMG_0009.THM"}, 6, 100},
        {"subfolder", {"IMG_0050.JPG", "zz/IMG_0003.JPG"}, 4, 100},
        {"five digits", {"IMG_10000.JPG", "IMG_2000.JPG"}, 2001, 100},
        {"last in a folder", {"IMG_8997.JPG"}, 8998, 100},
        {"full folder", {"IMG_8998.JPG"}, 1, 101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dcim());
        for (const auto& f : c.files) touch("100APPLE/" + f);
        CameraRoll roll(files_);
        roll.initializeSavingVariables();
        EXPECT_EQ(roll.claimImageNumber(), c.number);
        EXPECT_EQ(roll.currentFolderNumber(), c.folder);
        EXPECT_TRUE(fs::is_directory(dcim() / (std::to_string(c.folder) + "APPLE")));
        EXPECT_EQ(roll.getImagePathForIndex(1), "/var/mobile/Media/DCIM/" + std::to_string(c.folder) + "APPLE/IMG_0001.JPG");
    }
}

TEST_F(CameraRollTest, HandingOutSkipsNumbersWhoseFilesExist) {
    // A thumbnail left without its picture blocks its number.
    touch("100APPLE/IMG_0005.JPG");
    touch("100APPLE/IMG_0006.THM");
    // So do dangling links, to a picture or to a thumbnail name, even ones leading out of the root.
    fs::create_symlink("gone.JPG", dcim() / "100APPLE/IMG_0007.JPG");
    fs::create_symlink("/nonexistent/elsewhere.THM", dcim() / "100APPLE/IMG_0008.THM");
    EXPECT_EQ(scan(), 9);
    EXPECT_FALSE(roll_.everyFolderFull());
}

TEST_F(CameraRollTest, EveryFolderFullRefusesNumbers) {
    for (int f = 100; f <= 999; ++f) touch(std::to_string(f) + "APPLE/IMG_8998.JPG");
    roll_.initializeSavingVariables();
    EXPECT_FALSE(roll_.readyForPictures());
    EXPECT_TRUE(roll_.everyFolderFull());
    EXPECT_FALSE(roll_.claimImageNumber());
    EXPECT_FALSE(fs::exists(dcim() / "1000APPLE"));
}

// A picture folder may be a link to a folder elsewhere (the file manager follows the links it is
// told of): its pictures count.
TEST_F(CameraRollTest, LinkedFoldersAreScannedLikeFolders) {
    testenv::ScratchDir other;
    testenv::writeFile(other / "IMG_0099.JPG", "x");
    fs::create_directories(dcim());
    fs::create_directory_symlink(other.path(), dcim() / "100APPLE");
    EXPECT_EQ(scan(), 100);
    EXPECT_TRUE(fs::is_symlink(dcim() / "100APPLE"));
}

TEST_F(CameraRollTest, ScanRemovesLeftoversOfInterruptedWrites) {
    const std::string tmp = platform::FileManager::kTemporaryPrefix;
    touch("100APPLE/IMG_0001.JPG");
    touch("100APPLE/" + tmp + "IMG_0002.JPG.1234");
    EXPECT_EQ(scan(), 2);
    EXPECT_FALSE(exists("100APPLE/" + tmp + "IMG_0002.JPG.1234"));
    EXPECT_TRUE(exists("100APPLE/IMG_0001.JPG"));
}

TEST(CameraRollNames, ParseAndOrder) {
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_0123.JPG"), 123);
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_12_34.JPG"), 12);
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_0007 (2).JPG"), 7);  // the digits up to the first other sign
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_99999999999999999999.JPG"), INT_MAX);
    EXPECT_TRUE(CameraRoll::lessIgnoringCase("img_0004.jpg", "IMG_0005.JPG"));
    EXPECT_FALSE(CameraRoll::lessIgnoringCase("IMG_0005.JPG", "img_0005.jpg"));
    EXPECT_FALSE(CameraRoll::lessIgnoringCase("img_0005.jpg", "IMG_0005.JPG"));
}
