#include "capture/SaveWorker.h"

#include "capture/ProcessData.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/TestEnv.h"
#include "tests/support/Watchdog.h"
#include "tests/platform/graphics/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace kestrova;
using testenv::withWatchdog;
using platform::Image;
using platform::ImageRef;
namespace fs = std::filesystem;

namespace {

class SaveWorkerTest : public ::testing::Test {
protected:
    fs::path roll(const std::string& name) const { return dir_.path() / "var/mobile/Media/DCIM/100APPLE" / name; }
    std::unique_ptr<SaveRecord> record(int n) {
        return std::make_unique<ProcessData>(preview_, picture_, n, CaptureSettings{.imageSize = ImageSize::Small});
    }

    testenv::ScratchDir dir_;
    platform::FileManager files_{dir_.path()};
    platform::ManualClock clock_;
    platform::RunLoop loop_{clock_};
    ImageRef picture_ = testimages::solid(1600, 1200, {200, 40, 40});
    ImageRef preview_ = testimages::solid(400, 320, {200, 40, 40});
};

}  // namespace

TEST_F(SaveWorkerTest, PicturesBeforeTheWorkerWaitAndAreNumberedAfterItsScan) {
    fs::create_directories(roll(""));
    testenv::writeFile(roll("IMG_0005.JPG"), "old");
    std::vector<std::pair<int, int>> renumbered;
    // The position is asked for when a picture is written, not when it is taken.
    std::optional<GeoSnapshot> fix = GeoSnapshot{1.5f, 2.5f, "N", "E"};
    SaveWorker worker(files_, loop_, [&] { return fix; });
    worker.setPictureHandlers([&](int provisional, int number) { renumbered.emplace_back(provisional, number); },
                              [&](int number) { ADD_FAILURE() << "picture " << number << " lost"; });

    // The queue serves before the worker runs; the numbers are provisional until its scan.
    EXPECT_TRUE(worker.readyForCapture());
    std::vector<int> fans;
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(worker.cameraControllerTookPicture(picture_, preview_, {},
                                                       [&](ImageRef, int number) { fans.push_back(number); }));
    }
    EXPECT_EQ(fans, (std::vector<int>{-1, -2}));
    // Waiting pictures do not hold up a script's clock before their worker exists.
    EXPECT_TRUE(loop_.allIdle());

    fix = GeoSnapshot{-1.5f, -2.5f, "S", "W"};
    worker.initializePhotoProcessingThread();
    ASSERT_TRUE(loop_.settle(20.0));
    EXPECT_EQ(testenv::exifValues(roll("IMG_0006.JPG"), "-GPSLatitudeRef -GPSLongitudeRef"), "S\nW\n");
    // Numbered after the pictures already there, in the order taken, and the main thread told.
    EXPECT_EQ(renumbered, (std::vector<std::pair<int, int>>{{-1, 6}, {-2, 7}}));
    for (const char* name : {"IMG_0006.JPG", "IMG_0006.THM", "IMG_0007.JPG", "IMG_0007.THM"})
        EXPECT_TRUE(fs::exists(roll(name))) << name;
    withWatchdog([&] { worker.waitTillFinishedSaving(); }, "waitTillFinishedSaving");
}

// With every folder full the scan has no number to give: pictures taken before it are reported
// lost by their provisional numbers, so that their thumbnails go.
TEST_F(SaveWorkerTest, FirstSecondPicturesWithoutANumberAreReportedLost) {
    for (int folder = 100; folder <= 999; ++folder) {
        const fs::path dir = dir_.path() / "var/mobile/Media/DCIM" / (std::to_string(folder) + "APPLE");
        fs::create_directories(dir);
        testenv::writeFile(dir / "IMG_8998.JPG", "full");
    }
    std::vector<int> lost;
    SaveWorker worker(files_, loop_, nullptr);
    worker.setPictureHandlers([&](int, int number) { ADD_FAILURE() << "numbered " << number; },
                              [&](int number) { lost.push_back(number); });
    for (int i = 0; i < 2; ++i) worker.cameraControllerTookPicture(picture_, preview_, {}, nullptr);
    worker.initializePhotoProcessingThread();
    ASSERT_TRUE(loop_.settle(20.0));
    EXPECT_EQ(lost, (std::vector<int>{-1, -2}));
    withWatchdog([&] { worker.waitTillFinishedSaving(); }, "waitTillFinishedSaving");
}

TEST_F(SaveWorkerTest, TerminatingWithinTheFirstSecond) {
    // Nothing waiting: the wait returns at once, and nothing is taken afterwards.
    {
        auto worker = std::make_unique<SaveWorker>(files_, loop_, nullptr);
        withWatchdog([&] { worker->waitTillFinishedSaving(); }, "waitTillFinishedSaving");
        EXPECT_FALSE(worker->readyForCapture());
        EXPECT_FALSE(worker->cameraControllerTookPicture(picture_, preview_, {}, nullptr));
        withWatchdog([&] { worker.reset(); }, "the worker's end");
        EXPECT_FALSE(fs::exists(roll("")));
    }
    // A picture waiting: the worker starts at once, scans, writes it and ends.
    SaveWorker worker(files_, loop_, nullptr);
    EXPECT_TRUE(worker.cameraControllerTookPicture(picture_, preview_, {}, nullptr));
    withWatchdog([&] { worker.waitTillFinishedSaving(); }, "waitTillFinishedSaving");
    EXPECT_TRUE(fs::exists(roll("IMG_0001.JPG")));
    EXPECT_TRUE(fs::exists(roll("IMG_0001.THM")));
}

// A picture that cannot be written leaves no thumbnail file behind and is reported to the main
// thread; the queue goes on with the next.
TEST_F(SaveWorkerTest, APictureThatCannotBeWrittenLeavesNoThumbnail) {
    fs::create_directories(roll(""));
    // Picture 2's name is taken (by a dangling link) by the time it is written.
    fs::create_symlink("nowhere", roll("IMG_0002.JPG"));
    std::vector<int> lost;
    SaveWorker worker(files_, loop_, nullptr);
    worker.setPictureHandlers({}, [&](int number) { lost.push_back(number); });
    for (int n = 1; n <= 3; ++n) worker.addToSaveQueue(record(n));
    worker.initializePhotoProcessingThread();
    ASSERT_TRUE(loop_.settle(20.0));
    EXPECT_EQ(lost, std::vector<int>{2});
    EXPECT_FALSE(fs::exists(fs::symlink_status(roll("IMG_0002.THM"))));
    EXPECT_TRUE(fs::is_symlink(roll("IMG_0002.JPG")));
    for (const char* name : {"IMG_0001.JPG", "IMG_0001.THM", "IMG_0003.JPG", "IMG_0003.THM"})
        EXPECT_TRUE(fs::exists(roll(name))) << name;

    // The folder vanishes: neither file can be written; the picture after it is reported too.
    fs::rename(roll(""), dir_.path() / "moved");
    worker.addToSaveQueue(record(4));
    ASSERT_TRUE(loop_.settle(20.0));
    EXPECT_EQ(lost, (std::vector<int>{2, 4}));
    EXPECT_FALSE(fs::exists(roll("")));
    EXPECT_FALSE(fs::exists(dir_.path() / "moved/IMG_0004.THM"));
}

// Six pictures in a row once the worker serves: the producer waits for room when five are
// queued, and the termination writes every one, each picture's thumbnail, then its picture, then
// the next picture's thumbnail.
TEST_F(SaveWorkerTest, PicturesAreWrittenInOrderThumbnailFirstAndAllBeforeTermination) {
    int progress = 0;
    std::vector<int> fans;
    SaveWorker worker(files_, loop_, nullptr);
    worker.setProgressHandler([&] { ++progress; });
    worker.initializePhotoProcessingThread();
    // The worker is an idling resource while it scans: settling waits for the scan.
    ASSERT_TRUE(loop_.settle(20.0));
    ASSERT_TRUE(worker.readyForCapture());
    withWatchdog([&] {
        for (int i = 0; i < 6; ++i) {
            // Held landscape right; the first with turning off, which writes it as portrait.
            const CaptureSettings settings{.imageSize = ImageSize::Small,
                                           .orientation = platform::DeviceOrientation::LandscapeRight,
                                           .rotateMode = i == 0 ? RotateMode::Off : RotateMode::Auto};
            ASSERT_TRUE(worker.cameraControllerTookPicture(picture_, preview_, settings,
                                                           [&](ImageRef, int number) { fans.push_back(number); }));
        }
    }, "six pictures in a row");
    EXPECT_EQ(fans, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(progress, 6);
    withWatchdog([&] { worker.waitTillFinishedSaving(); }, "waitTillFinishedSaving");
    EXPECT_TRUE(loop_.allIdle());
    std::vector<fs::file_time_type> times;
    for (int n = 1; n <= 6; ++n)
        for (const char* ext : {".THM", ".JPG"}) {
            const fs::path file = roll("IMG_000" + std::to_string(n) + ext);
            ASSERT_TRUE(fs::exists(file)) << file;
            times.push_back(fs::last_write_time(file));
        }
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_EQ(testenv::exifValues(roll("IMG_0001.JPG"), "-Orientation -ImageWidth"), "6\n960\n");
    EXPECT_EQ(testenv::exifValues(roll("IMG_0002.JPG"), "-Orientation"), "3\n");
    // Nothing restarts a finished worker, and no picture is taken for it.
    EXPECT_FALSE(worker.cameraControllerTookPicture(picture_, preview_, {}, nullptr));
}
