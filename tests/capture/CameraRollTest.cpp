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

TEST_F(CameraRollTest, NoDcimCreatesFolderAndStartsAtOne) {
    // Before the scan nothing is handed out: a picture would get number 0.
    EXPECT_FALSE(roll_.claimImageNumber());
    EXPECT_FALSE(roll_.readyForPictures());
    EXPECT_EQ(scan(), 1);
    EXPECT_TRUE(fs::is_directory(dcim() / "100APPLE"));
    EXPECT_EQ(roll_.currentFolderNumber(), 100);
    EXPECT_EQ(roll_.getImagePathForIndex(1), "/var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG");
    EXPECT_EQ(roll_.getThumbPathForIndex(12345), "/var/mobile/Media/DCIM/100APPLE/IMG_12345.THM");
    // Numbers count on.
    EXPECT_EQ(roll_.claimImageNumber(), 2);
    EXPECT_EQ(roll_.nextImageNumber(), 3);
}

TEST_F(CameraRollTest, NumbersFollowTheGreatestName) {
    for (int i = 1; i <= 42; ++i) touch("100APPLE/IMG_" + std::string(i < 10 ? "000" : "00") + std::to_string(i) + ".JPG");
    EXPECT_EQ(scan(), 43);
    EXPECT_EQ(roll_.currentFolderNumber(), 100);
}

TEST_F(CameraRollTest, EightThousandNineHundredNinetySevenIsTheLastInAFolder) {
    // 8997 gives 8998 in the same folder.
    touch("100APPLE/IMG_8997.JPG");
    EXPECT_EQ(scan(), 8998);
    EXPECT_EQ(roll_.currentFolderNumber(), 100);
}

TEST_F(CameraRollTest, FullFolderMovesOnToTheNextOne) {
    touch("100APPLE/IMG_8998.JPG");
    EXPECT_EQ(scan(), 1);
    EXPECT_EQ(roll_.currentFolderNumber(), 101);
    EXPECT_TRUE(fs::is_directory(dcim() / "101APPLE"));
    EXPECT_EQ(roll_.getImagePathForIndex(1), "/var/mobile/Media/DCIM/101APPLE/IMG_0001.JPG");
}

TEST_F(CameraRollTest, CaseSubfoldersThumbnailsAndFiveDigitNames) {
    // Lower-case names count; a .THM alone does not.
    touch("100APPLE/img_0005.jpg");
    touch("100APPLE/IMG_0009.THM");
    EXPECT_EQ(scan(), 6);

    // A .JPG in a subfolder counts under its relative path, so it sorts by the subfolder's name.
    CameraRoll second(files_);
    touch("100APPLE/IMG_0050.JPG");
    touch("100APPLE/zz/IMG_0003.JPG");
    second.initializeSavingVariables();
    EXPECT_EQ(second.nextImageNumber(), 4);

    // Five digits sort lexically before four: IMG_10000 < IMG_2000.
    fs::remove_all(dcim() / "100APPLE");
    touch("100APPLE/IMG_10000.JPG");
    touch("100APPLE/IMG_2000.JPG");
    CameraRoll third(files_);
    third.initializeSavingVariables();
    EXPECT_EQ(third.nextImageNumber(), 2001);
    EXPECT_EQ(third.currentFolderNumber(), 100);
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

    // The five-digit case: counting up from 2001 must never reach IMG_10000.JPG.
    fs::remove_all(dcim() / "100APPLE");
    touch("100APPLE/IMG_10000.JPG");
    touch("100APPLE/IMG_2000.JPG");
    CameraRoll roll(files_);
    roll.initializeSavingVariables();
    std::optional<int> n;
    for (int expected = 2001; expected <= 9999; ++expected) {
        n = roll.claimImageNumber();
        ASSERT_EQ(n, expected);
    }
    EXPECT_EQ(roll.claimImageNumber(), 10001);
}

TEST_F(CameraRollTest, EveryFolderFullRefusesNumbers) {
    for (int f = 100; f <= 999; ++f) touch(std::to_string(f) + "APPLE/IMG_8998.JPG");
    roll_.initializeSavingVariables();
    EXPECT_EQ(roll_.nextImageNumber(), 1);
    EXPECT_EQ(roll_.currentFolderNumber(), 1000);
    EXPECT_FALSE(roll_.readyForPictures());
    EXPECT_TRUE(roll_.everyFolderFull());
    EXPECT_FALSE(roll_.claimImageNumber());
    EXPECT_FALSE(fs::exists(dcim() / "1000APPLE"));
}

// DCIM and picture folders may be links to folders elsewhere: the scan reads through them and the
// paths lead there; a link cycle below them ends the scan all the same.
TEST_F(CameraRollTest, LinkedFoldersAreScannedLikeFolders) {
    testenv::ScratchDir disk;
    fs::create_directories(dcim().parent_path());
    fs::create_directories(disk / "dcim/100APPLE");
    testenv::writeFile(disk / "dcim/100APPLE/IMG_0041.JPG", "x");
    fs::create_directory_symlink(disk / "dcim", dcim());
    fs::create_directory_symlink("..", disk / "dcim/100APPLE/up");
    EXPECT_EQ(scan(), 42);
    EXPECT_EQ(*files_.resolve(roll_.getImagePathForIndex(42)), dcim() / "100APPLE/IMG_0042.JPG");

    // A folder that is a link: its pictures count too.
    testenv::ScratchDir other;
    testenv::writeFile(other / "IMG_0099.JPG", "x");
    fs::remove(dcim());
    fs::create_directories(dcim());
    fs::create_directory_symlink(other.path(), dcim() / "100APPLE");
    CameraRoll roll(files_);
    roll.initializeSavingVariables();
    EXPECT_EQ(roll.claimImageNumber(), 100);
    EXPECT_TRUE(fs::is_symlink(dcim() / "100APPLE"));
}

TEST_F(CameraRollTest, ScanRemovesLeftoversOfInterruptedWrites) {
    const std::string tmp = platform::FileManager::kTemporaryPrefix;
    touch("100APPLE/IMG_0001.JPG");
    touch("100APPLE/" + tmp + "IMG_0002.JPG.1234");
    touch("101APPLE/" + tmp + "x");
    touch("100APPLE/notes.txt");
    EXPECT_EQ(scan(), 2);
    EXPECT_FALSE(exists("100APPLE/" + tmp + "IMG_0002.JPG.1234"));
    EXPECT_FALSE(exists("101APPLE/" + tmp + "x"));
    EXPECT_TRUE(exists("100APPLE/IMG_0001.JPG"));
    EXPECT_TRUE(exists("100APPLE/notes.txt"));
}

TEST(CameraRollNames, ParseAndOrder) {
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_0123.JPG"), 123);
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_000"), 0);
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_abc.JPG"), 0);
    EXPECT_EQ(CameraRoll::parseImageNumber("NOUNDERSCORE.JPG"), 0);
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_12_34.JPG"), 12);
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_0007 (2).JPG"), 7);  // the digits up to the first other sign
    EXPECT_EQ(CameraRoll::parseImageNumber("IMG_99999999999999999999.JPG"), INT_MAX);
    EXPECT_TRUE(CameraRoll::lessIgnoringCase("IMG_10000.JPG", "IMG_2000.JPG"));
    EXPECT_TRUE(CameraRoll::lessIgnoringCase("img_0004.jpg", "IMG_0005.JPG"));
    EXPECT_FALSE(CameraRoll::lessIgnoringCase("IMG_0005.JPG", "img_0005.jpg"));
    EXPECT_FALSE(CameraRoll::lessIgnoringCase("img_0005.jpg", "IMG_0005.JPG"));
}
