// A headless session of the camera application, driven by a script: the camera page with a live
// preview, the information page and back, and a tap on the shutter area that leaves one picture
// in the camera roll.
#include "platform/graphics/Image.h"
#include "platform/graphics/PNGFile.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Sum of absolute channel differences over a rectangle of points (scale 2 pixels).
long difference(const platform::Image& a, const platform::Image& b, int x0, int y0, int x1, int y1) {
    long sum = 0;
    for (int y = y0 * 2; y < y1 * 2; ++y)
        for (int x = x0 * 2; x < x1 * 2; ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(int(a.pixel(x, y)[c]) - int(b.pixel(x, y)[c]));
    return sum;
}

TEST(CameraSession, CameraPageInformationPageAndOnePicture) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    testenv::writeFile(dir / "session.script",
                       "wait 1.5\n"
                       "screenshot " + (dir / "camera1.png").string() + "\n"
                       "wait 0.5\n"
                       "screenshot " + (dir / "camera2.png").string() + "\n"
                       "tap @infoButton\n"
                       "wait 0.5\n"
                       "screenshot " + (dir / "info.png").string() + "\n"
                       "tap @cameraButton\n"
                       "wait 0.5\n"
                       "screenshot " + (dir / "back.png").string() + "\n"
                       "tap 160 200\n"
                       "wait 2\n"
                       "quit\n");
    auto r = testenv::run(testenv::shellQuote(testenv::kestrovaBinary()) + " --headless --device-root " +
                          testenv::shellQuote(root.string()) + " --script " +
                          testenv::shellQuote((dir / "session.script").string()));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("sound shutter"), std::string::npos) << r.out;

    auto camera1 = platform::PNGFile::read(dir / "camera1.png");
    auto camera2 = platform::PNGFile::read(dir / "camera2.png");
    auto info = platform::PNGFile::read(dir / "info.png");
    auto back = platform::PNGFile::read(dir / "back.png");
    ASSERT_TRUE(camera1 && camera2 && info && back);
    EXPECT_EQ(camera1->width(), 640);
    EXPECT_EQ(camera1->height(), 960);
    // The preview lives: half a second changes the picture under the shutter area.
    EXPECT_GT(difference(*camera1, *camera2, 0, 53, 320, 480), 0);
    // The information page covers the camera page, and going back shows the camera page again.
    EXPECT_GT(difference(*camera2, *info, 0, 60, 320, 290), 320L * 230 * 4 * 20);
    EXPECT_LT(difference(*camera2, *back, 0, 60, 320, 290), difference(*camera2, *info, 0, 60, 320, 290) / 4);

    // One picture and its thumbnail, and nothing else.
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(root / "var/mobile/Media/DCIM/100APPLE"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"IMG_0001.JPG", "IMG_0001.THM"}));
    auto size = testenv::run(testenv::exiftool() + " -s3 -ImageWidth -ImageHeight " +
                             testenv::shellQuote((root / "var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG").string()));
    EXPECT_EQ(size.out, "1600\n1200\n");
}

}  // namespace
