// From a setting to the written file: the application delegate on a fixed test card, each
// setting taken the way the user takes it (stored preference, device turn, pinch, shutter tap),
// and the picture and thumbnail files read back with exiftool and djpeg.
#include "tests/app/AppFixture.h"

#include "platform/camera/CameraSource.h"
#include "platform/cameraui/CameraView.h"
#include "tests/platform/graphics/TestImages.h"
#include "ui/controls/SnapButtonView.h"

#include <array>
#include <cstdlib>

using namespace std::chrono_literals;

namespace apptest {
namespace {

using Rgb = std::array<int, 3>;

// Picture zones (R, G, B): A outside the centre half, B between the centre half and the centre
// third, C inside the centre third; each leans to another primary so a colour mode or a crop tells
// them apart. The preview is flat grey with a mark in the top left of the thumbnail's square.
constexpr Rgb kZoneA{40, 60, 200}, kZoneB{50, 190, 70}, kZoneC{210, 90, 60};
constexpr Rgb kPreviewGrey{128, 128, 128}, kMark{255, 140, 0};

platform::ImageRef card(int w, int h, const std::function<Rgb(int, int)>& colourAt) {
    return testimages::paint(w, h, [&](int x, int y) {
        const Rgb c = colourAt(x, y);
        return testimages::Rgb{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])};
    }, 0);
}

// The same card whatever the orientation, so only the application's settings turn anything.
class CardSource final : public platform::CameraSource {
public:
    CardSource() {
        picture_ = card(kPictureWidth, kPictureHeight, [](int x, int y) {
            auto inside = [&](int d) {
                const int w = kPictureWidth / d, h = kPictureHeight / d;
                return x >= (kPictureWidth - w) / 2 && x < (kPictureWidth + w) / 2 && y >= (kPictureHeight - h) / 2 &&
                       y < (kPictureHeight + h) / 2;
            };
            return inside(3) ? kZoneC : inside(2) ? kZoneB : kZoneA;
        });
        // The thumbnail's square starts at x 70; its top-left 60 x 60 carries the mark.
        preview_ = card(kPreviewWidth, kPreviewHeight,
                        [](int x, int y) { return x >= 70 && x < 130 && y < 60 ? kMark : kPreviewGrey; });
    }
    platform::ImageRef previewFrame(platform::DeviceOrientation) override { return preview_; }
    platform::ImageRef pictureFrame(platform::DeviceOrientation) override { return picture_; }
    std::string description() const override { return "card"; }

private:
    platform::ImageRef picture_, preview_;
};

// A decoded colour JPEG (djpeg, optionally scaled down 1/8): size and pixels.
::testing::AssertionResult near(const Rgb& got, const Rgb& want, int tolerance = 4) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure() << "got " << got[0] << "," << got[1] << "," << got[2] << " want "
                                                 << want[0] << "," << want[1] << "," << want[2];
    return ::testing::AssertionSuccess();
}

class SettingsToFile : public AppFixture {
protected:
    SettingsToFile() {
        platform::CameraController::setSharedInstance(
            std::make_unique<platform::CameraController>(std::make_unique<CardSource>(), &loop));
    }

    // A tap on the shutter area, then everything written.
    void tapShutter() {
        touch(api().snapButton());
        loop.runFor(0.3s);
        drain();
    }
    // Two fingers on the shutter area, the second drawn away diagonally for up to `pixels`
    // steps while the zoom is below `until`, then both lifted.
    void pinch(float until, int pixels) {
        platform::Window* w = delegate->window();
        auto* b = api().snapButton();
        auto at = [&](float x, float y) { return b->convertPointToView({x, y}, nullptr); };
        w->touchDown(0, at(60, 80), loop.now());
        w->touchDown(1, at(70, 90), loop.now());
        for (int i = 1; i <= pixels && b->zoom() < until; ++i)
            w->touchMove(1, at(70 + 0.7f * float(i), 90 + 0.7f * float(i)), loop.now());
        w->touchUp(1, loop.now());
        w->touchUp(0, loop.now());
    }
    // Whether the 75 x 75 thumbnail carries the mark in the corner at (x, y); the mark is in one
    // corner only, so a wrong turn or a mirror moves it away.
    bool markedAt(const std::string& file, int x, int y) const {
        const auto t = testenv::decodeJpeg(roll(file));
        return t.w == 75 && t.h == 75 && near(t.rgb(x, y), kMark, 24);
    }
};

// --- The device's turn and auto-rotation: the EXIF tag and the thumbnail's turn ---

TEST_F(SettingsToFile, TheDevicesTurnReachesTheTagOnlyWithAutoRotationAndTheSizeThePicture) {
    // The turn read at launch, then one arriving as a notification, each from the next picture.
    ASSERT_TRUE(device.setOrientation(platform::DeviceOrientation::PortraitUpsideDown));
    launchReady();
    tapShutter();
    ASSERT_TRUE(device.setOrientation(platform::DeviceOrientation::LandscapeRight));
    tapShutter();
    EXPECT_EQ(testenv::exifValues(roll("IMG_0001.JPG"), "-Orientation"), "8\n");
    EXPECT_EQ(testenv::exifValues(roll("IMG_0002.JPG"), "-Orientation"), "3\n");
    EXPECT_TRUE(markedAt("IMG_0001.THM", 4, 70));   // bottom left
    EXPECT_TRUE(markedAt("IMG_0002.THM", 70, 70));  // bottom right
    // Auto-rotation off (stored): tagged as held upright, whatever the turn. The stored size
    // reaches the picture too (each size's pixels: ImageRendererTest).
    quit();
    defaults->setInteger(1, "RotateMode");
    defaults->setInteger(2, "ImageSize");
    launchReady();
    tapShutter();
    EXPECT_EQ(testenv::exifValues(roll("IMG_0003.JPG"), "-Orientation"), "6\n");
    EXPECT_TRUE(markedAt("IMG_0003.THM", 70, 4));  // top right
    EXPECT_EQ(testenv::exifValues(roll("IMG_0003.JPG"), "-ImageWidth -ImageHeight"), "960\n720\n");
}

// --- A pinch: the crop in the file ---

TEST_F(SettingsToFile, APinchCropsThePicture) {
    launchReady();
    for (int i = 0; i < 6 && api().snapButton()->zoom() < 2.0f; ++i) pinch(2.0f, 250);
    EXPECT_NEAR(api().snapButton()->zoom(), 2.0f, 0.01f);
    EXPECT_NEAR(api().cameraView()->transform().d, 2.0f, 0.01f);  // the preview magnified alike
    tapShutter();
    const auto d = testenv::decodeJpeg(roll("IMG_0001.JPG"), 8);
    ASSERT_EQ(d.w, 200);
    // With twice the zoom, zone B reaches the corner and zone C spans the middle two thirds of
    // the width (x 33 to 166).
    EXPECT_TRUE(near(d.rgb(20, 15), kZoneB));
    EXPECT_TRUE(near(d.rgb(40, 75), kZoneC));
    EXPECT_TRUE(near(d.rgb(175, 75), kZoneB));
}

// --- A quiet burst in greyscale: three files without a sound, their spacing and their colour ---
// (Each colour mode's pixels: ColorFiltersTest.)

TEST_F(SettingsToFile, AQuietGreyBurstWritesThreeSpacedPicturesWithoutASound) {
    defaults->setInteger(1, "BurstMode");
    defaults->setInteger(1, "QuietMode");
    defaults->setInteger(1, "ColorMode");
    launchReady();
    const double start = loop.now();
    touch(api().snapButton(), 0);
    // Note when each picture arrives (it takes the next picture number).
    std::vector<double> shots;
    while (loop.now() < start + 1.0) {
        loop.runFor(0.005s);
        if (size_t(api().saveWorker()->nextImageNumber() - 1) > shots.size()) shots.push_back(loop.now() - start);
    }
    EXPECT_FALSE(api().takingPicture());
    drain();
    EXPECT_EQ(files100(".JPG").size(), 3u);
    EXPECT_EQ(files100(".THM").size(), 3u);
    EXPECT_EQ(shutterSounds(), 0u);
    // Greyscale, picture and thumbnail: one component.
    EXPECT_EQ(testenv::exifValues(roll("IMG_0001.JPG"), "-ColorComponents"), "1\n");
    EXPECT_EQ(testenv::exifValues(roll("IMG_0003.THM"), "-ColorComponents"), "1\n");
    ASSERT_EQ(shots.size(), 3u);
    // The camera delivers 0.15 s after the shutter; the next shot follows 0.01 s after that.
    for (size_t i = 1; i < shots.size(); ++i) EXPECT_NEAR(shots[i] - shots[i - 1], 0.16, 0.006) << i;
}

}  // namespace
}  // namespace apptest
