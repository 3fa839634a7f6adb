// From a setting to the written file: the application delegate on a fixed test card, each
// setting taken the way the user takes it (stored preference, device turn, pinch, shutter tap),
// and the picture and thumbnail files read back with exiftool and djpeg.
#include "tests/app/AppFixture.h"

#include "platform/camera/CameraSource.h"
#include "platform/graphics/Color.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"
#include "ui/controls/SnapButtonView.h"

#include <array>
#include <cstdlib>
#include <sstream>

using namespace std::chrono_literals;

namespace apptest {
namespace {

using Rgb = std::array<int, 3>;

// Picture zones (R, G, B): A outside the centre half, B between the centre half and the centre
// third, C inside the centre third; each leans to another primary so every colour mode tells
// them apart. The preview is flat grey with a mark in the top left of the thumbnail's square.
constexpr Rgb kZoneA{40, 60, 200}, kZoneB{50, 190, 70}, kZoneC{210, 90, 60};
constexpr Rgb kPreviewGrey{128, 128, 128}, kMark{255, 140, 0};

platform::ImageRef card(int w, int h, const std::function<Rgb(int, int)>& colourAt) {
    std::vector<uint8_t> v(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = colourAt(x, y);
            uint8_t* p = &v[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(c[2]), p[1] = uint8_t(c[1]), p[2] = uint8_t(c[0]), p[3] = 0;
        }
    return platform::Image::createBGRX(w, h, std::move(v));
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

// A decoded JPEG (djpeg, optionally scaled down 1/8): size, components and pixels.
struct Decoded {
    int w = 0, h = 0, components = 0;
    std::string pixels;
    Rgb at(int x, int y) const {
        const size_t i = (size_t(y) * w + x) * components;
        auto b = [&](size_t k) { return int(uint8_t(pixels[i + k])); };
        return components == 1 ? Rgb{b(0), b(0), b(0)} : Rgb{b(0), b(1), b(2)};
    }
};

Decoded decode(const std::filesystem::path& f, bool eighth) {
    auto r = testenv::run(testenv::djpeg() + (eighth ? " -scale 1/8" : "") + " -pnm " +
                          testenv::shellQuote(f.string()) + " 2>/dev/null");
    Decoded d;
    std::istringstream in(r.out);
    std::string magic;
    int maxval = 0;
    if (r.status != 0 || !(in >> magic >> d.w >> d.h >> maxval)) return d;
    in.get();
    d.components = magic == "P5" ? 1 : 3;
    d.pixels.assign(std::istreambuf_iterator<char>(in), {});
    if (d.pixels.size() != size_t(d.w) * d.h * d.components) d.w = d.h = 0;
    return d;
}

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

    std::filesystem::path roll(const std::string& name) const {
        return root / "device/var/mobile/Media/DCIM/100APPLE" / name;
    }
    platform::Point shutterCentre() const {
        auto* b = api().snapButton();
        return b->convertPointToView(b->bounds().center(), nullptr);
    }
    // A tap on the shutter area, then everything written.
    void tapShutter() {
        delegate->window()->touchDown(0, shutterCentre(), loop.now());
        loop.runFor(0.05s);
        delegate->window()->touchUp(0, loop.now());
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
    // exiftool's values for `tags` of `file`, one per line.
    std::string exif(const std::string& file, const std::string& tags) const {
        return testenv::exifValues(roll(file), tags);
    }
    // Which corner of the 75 x 75 thumbnail carries the mark.
    std::string markedCorner(const std::string& file) const {
        const Decoded t = decode(roll(file), false);
        if (t.w != 75 || t.h != 75) return "undecodable";
        std::string found;
        const std::pair<const char*, std::pair<int, int>> corners[] = {
            {"top-left", {4, 4}}, {"top-right", {70, 4}}, {"bottom-left", {4, 70}}, {"bottom-right", {70, 70}}};
        for (const auto& [name, xy] : corners) {
            if (near(t.at(xy.first, xy.second), kMark, 24)) found += (found.empty() ? "" : "+") + std::string(name);
            else if (!near(t.at(xy.first, xy.second), kPreviewGrey, 24)) return "neither mark nor grey";
        }
        return found.empty() ? "none" : found;
    }
};

// --- Device orientation and auto-rotation: the EXIF tag and the thumbnail's turn ---

using Held = platform::DeviceOrientation;

struct OrientationCase {
    Held device;
    bool autoRotation;
    int exifOrientation;
    const char* markCorner;
};

class OrientationToFile : public SettingsToFile, public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(OrientationToFile, TagAndThumbnailFollowTheDeviceOnlyWithAutoRotation) {
    const OrientationCase c = GetParam();
    defaults->setInteger(c.autoRotation ? 0 : 1, "RotateMode");
    ASSERT_TRUE(device.setOrientation(c.device));
    launchReady();
    tapShutter();
    ASSERT_EQ(files100(".JPG"), std::vector<std::string>{"IMG_0001.JPG"});
    EXPECT_EQ(exif("IMG_0001.JPG", "-Orientation"), std::to_string(c.exifOrientation) + "\n");
    EXPECT_EQ(markedCorner("IMG_0001.THM"), c.markCorner);
}

INSTANTIATE_TEST_SUITE_P(EachTurn, OrientationToFile,
                         ::testing::Values(OrientationCase{Held::Portrait, true, 6, "top-right"},
                                           OrientationCase{Held::PortraitUpsideDown, true, 8, "bottom-left"},
                                           OrientationCase{Held::LandscapeLeft, true, 1, "top-left"},
                                           OrientationCase{Held::LandscapeRight, true, 3, "bottom-right"},
                                           OrientationCase{Held::FaceUp, true, 6, "top-right"},
                                           OrientationCase{Held::FaceDown, true, 6, "top-right"},
                                           OrientationCase{Held::LandscapeLeft, false, 6, "top-right"},
                                           OrientationCase{Held::LandscapeRight, false, 6, "top-right"}),
                         [](const auto& info) {
                             return "Device" + std::to_string(int(info.param.device)) +
                                    (info.param.autoRotation ? "Auto" : "Fixed");
                         });

// A turn while the application runs arrives as a notification and counts from the next picture.
TEST_F(SettingsToFile, ATurnWhileRunningReachesTheNextPicture) {
    launchReady();
    ASSERT_TRUE(device.setOrientation(platform::DeviceOrientation::LandscapeLeft));
    tapShutter();
    ASSERT_TRUE(device.setOrientation(platform::DeviceOrientation::LandscapeRight));
    tapShutter();
    EXPECT_EQ(exif("IMG_0001.JPG", "-Orientation"), "1\n");
    EXPECT_EQ(exif("IMG_0002.JPG", "-Orientation"), "3\n");
    EXPECT_EQ(markedCorner("IMG_0001.THM"), "top-left");
    EXPECT_EQ(markedCorner("IMG_0002.THM"), "bottom-right");
}

// --- Picture size ---

class SizeToFile : public SettingsToFile, public ::testing::WithParamInterface<std::array<int, 3>> {};

TEST_P(SizeToFile, PixelDimensionsOfThePicture) {
    const auto [setting, w, h] = GetParam();
    defaults->setInteger(setting, "ImageSize");
    launchReady();
    tapShutter();
    EXPECT_EQ(exif("IMG_0001.JPG", "-ImageWidth -ImageHeight"), std::to_string(w) + "\n" + std::to_string(h) + "\n");
    // The thumbnail does not depend on it.
    EXPECT_EQ(exif("IMG_0001.THM", "-ImageWidth -ImageHeight"), "75\n75\n");
}

INSTANTIATE_TEST_SUITE_P(EachSize, SizeToFile,
                         ::testing::Values(std::array<int, 3>{0, 1600, 1200}, std::array<int, 3>{1, 1280, 960},
                                           std::array<int, 3>{2, 960, 720}));

// --- Colour mode: the file's pixels in the three zones ---

struct ColourCase {
    int mode;
    int components;
    Rgb a, b, c;
    Rgb thumbnail;  // the preview's flat grey after the mode
};

class ColourToFile : public SettingsToFile, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourToFile, PixelsOfEachZone) {
    const ColourCase c = GetParam();
    defaults->setInteger(c.mode, "ColorMode");
    launchReady();
    tapShutter();
    const Decoded d = decode(roll("IMG_0001.JPG"), true);
    ASSERT_EQ(d.w, 200);
    ASSERT_EQ(d.h, 150);
    EXPECT_EQ(d.components, c.components);
    EXPECT_TRUE(near(d.at(20, 15), c.a)) << "zone A";
    EXPECT_TRUE(near(d.at(60, 45), c.b)) << "zone B";
    EXPECT_TRUE(near(d.at(100, 75), c.c)) << "zone C";
    // The thumbnail takes the same mode.
    const Decoded t = decode(roll("IMG_0001.THM"), false);
    EXPECT_EQ(t.components, c.components);
    EXPECT_TRUE(near(t.at(37, 37), c.thumbnail)) << "thumbnail";
}

INSTANTIATE_TEST_SUITE_P(
    EachMode, ColourToFile,
    ::testing::Values(ColourCase{0, 3, kZoneA, kZoneB, kZoneC, kPreviewGrey},
                      ColourCase{1, 1, {70, 70, 70}, {134, 134, 134}, {122, 122, 122}, kPreviewGrey},
                      ColourCase{2, 3, {99, 88, 69}, {178, 159, 124}, {163, 145, 113}, {172, 153, 119}},
                      ColourCase{3, 3, {215, 195, 55}, {205, 65, 185}, {45, 165, 195}, {127, 127, 127}},
                      ColourCase{4, 3, {60, 60, 60}, {115, 115, 115}, kZoneC, {110, 110, 110}},
                      ColourCase{5, 3, {60, 60, 60}, kZoneB, {105, 105, 105}, {110, 110, 110}},
                      ColourCase{6, 3, kZoneA, {115, 115, 115}, {105, 105, 105}, {110, 110, 110}}),
    [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

// --- A pinch: the crop in the file ---

class ZoomToFile : public SettingsToFile, public ::testing::WithParamInterface<float> {};

TEST_P(ZoomToFile, APinchCropsThePicture) {
    const float target = GetParam();
    launchReady();
    // Pinches on the shutter area until the zoom reaches the target; past the largest zoom a
    // pinch ends at it exactly.
    for (int i = 0; i < 6 && api().snapButton()->zoom() < target; ++i) pinch(target, 250);
    if (target >= 3.0f) pinch(10.0f, 100);
    EXPECT_NEAR(api().snapButton()->zoom(), target, 0.01f);
    EXPECT_EQ(files100(".JPG").size(), 0u);  // a pinch takes no picture
    tapShutter();
    ASSERT_EQ(files100(".JPG").size(), 1u);
    const Decoded d = decode(roll("IMG_0001.JPG"), true);
    ASSERT_EQ(d.w, 200);
    // Near the corner: zone B at twice (the centre half), zone C at three times (the centre third).
    EXPECT_TRUE(near(d.at(20, 15), target >= 3.0f ? kZoneC : kZoneB));
    EXPECT_TRUE(near(d.at(100, 75), kZoneC));
    // With twice the zoom, zone C spans the middle two thirds of the file's width (x 33 to 166).
    if (target < 3.0f) {
        EXPECT_TRUE(near(d.at(25, 75), kZoneB));
        EXPECT_TRUE(near(d.at(40, 75), kZoneC));
        EXPECT_TRUE(near(d.at(160, 75), kZoneC));
        EXPECT_TRUE(near(d.at(175, 75), kZoneB));
    }
}

INSTANTIATE_TEST_SUITE_P(TwoAndThree, ZoomToFile, ::testing::Values(2.0f, 3.0f),
                         [](const auto& info) { return info.param >= 3.0f ? "Three" : "Two"; });

// --- Quiet mode and bursts: sounds, files and their spacing ---

struct SequenceCase {
    int burst, quiet;
    size_t files, sounds;
};

class SequenceToFile : public SettingsToFile, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(SequenceToFile, FilesSoundsAndSpacing) {
    const SequenceCase c = GetParam();
    defaults->setInteger(c.burst, "BurstMode");
    defaults->setInteger(c.quiet, "QuietMode");
    launchReady();
    const double start = loop.now();
    delegate->window()->touchDown(0, shutterCentre(), loop.now());
    delegate->window()->touchUp(0, loop.now());
    // Note when each picture arrives (it takes the next picture number).
    std::vector<double> shots;
    size_t seen = 0;
    while (loop.now() < start + 1.0) {
        loop.runFor(0.005s);
        const int next = api().saveWorker()->nextImageNumber() - 1;
        if (size_t(next) > seen) {
            seen = size_t(next);
            shots.push_back(loop.now() - start);
        }
    }
    EXPECT_FALSE(api().takingPicture());
    drain();
    EXPECT_EQ(files100(".JPG").size(), c.files);
    EXPECT_EQ(files100(".THM").size(), c.files);
    EXPECT_EQ(shutterSounds(), c.sounds);
    ASSERT_EQ(shots.size(), c.files);
    // The camera delivers 0.15 s after the shutter; the next shot follows 0.01 s after that.
    for (size_t i = 1; i < shots.size(); ++i) EXPECT_NEAR(shots[i] - shots[i - 1], 0.16, 0.006) << i;
}

INSTANTIATE_TEST_SUITE_P(BurstAndQuiet, SequenceToFile,
                         ::testing::Values(SequenceCase{0, 0, 1, 1}, SequenceCase{0, 1, 1, 0}, SequenceCase{1, 0, 3, 3},
                                           SequenceCase{1, 1, 3, 0}),
                         [](const auto& info) {
                             return std::string(info.param.burst ? "Burst" : "Single") +
                                    (info.param.quiet ? "Quiet" : "Sound");
                         });

// --- The self-timer: the shutter at the length plus one second ---

class TimerToFile : public SettingsToFile, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(TimerToFile, ShootsAfterItsLength) {
    const auto [mode, seconds] = GetParam();
    defaults->setInteger(mode, "TimerMode");
    launchReady();
    const double start = loop.now();
    delegate->window()->touchDown(0, shutterCentre(), loop.now());
    delegate->window()->touchUp(0, loop.now());
    std::vector<std::string> shown;
    if (seconds > 0) {
        // The cancel sheet and yellow numbers; a second press meanwhile changes nothing.
        ASSERT_NE(api().cancelSheet(), nullptr);
        EXPECT_TRUE(api().cancelSheet()->isVisible());
        EXPECT_EQ(api().burstText()->textColor(), platform::Color::rgba(1, 1, 0));
        delegate->performCapture();
        // One second per number, counted down to 1; the shutter comes one second later.
        for (int s = 1; s <= seconds; ++s) {
            loop.runUntil([&] { return loop.now() >= start + s; }, 2s);
            shown.push_back(api().burstText()->text());
        }
        loop.runUntil([&] { return loop.now() >= start + seconds + 1; }, 2s);
        EXPECT_EQ(shutterSounds(), 0u);
        EXPECT_TRUE(api().burstText()->hidden());
        loop.runFor(0.02s);
    }
    EXPECT_EQ(shutterSounds(), 1u);
    std::vector<std::string> expected;
    for (int s = seconds; s >= 1; --s) expected.push_back(std::to_string(s));
    EXPECT_EQ(shown, expected);
    loop.runFor(0.3s);
    drain();
    EXPECT_EQ(files100(".JPG"), std::vector<std::string>{"IMG_0001.JPG"});
}

INSTANTIATE_TEST_SUITE_P(EachLength, TimerToFile,
                         ::testing::Values(std::pair{0, 0}, std::pair{1, 2}, std::pair{2, 5}, std::pair{3, 10}),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.first); });

}  // namespace
}  // namespace apptest
