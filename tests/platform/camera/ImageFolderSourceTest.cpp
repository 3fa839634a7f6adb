#include "CameraTestSupport.h"

#include "platform/camera/CameraSourceFactory.h"
#include "platform/camera/ImageFolderSource.h"
#include "platform/camera/JpegDecoder.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace platform;
using cameratest::bgr;
using BGR = std::array<uint8_t, 3>;

namespace {
constexpr BGR kRed{0, 0, 255}, kGreen{0, 255, 0}, kDarkGreen{0, 96, 0}, kBlue{255, 0, 0};

void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
}  // namespace

TEST(ImageFolderSource, PhotosAreShownInTurnAsTheDeviceIsHeld) {
    testenv::ScratchDir dir;
    // a.png, 64 x 32: green top half, dark green bottom half (the crop to 4:3 is the sensor
    // frame's test).
    ImageRef wide = cameratest::paint(64, 32, [](int, int y) { return y < 16 ? kGreen : kDarkGreen; });
    ASSERT_TRUE(cameratest::writePng(wide, dir / "a.png"));
    // b.jpg, 32 x 32, solid blue; notes.txt is not a photo. (Which files fail and how the turn
    // goes round is the photo loader's, tested there.)
    writeBytes(dir / "b.jpg", cameratest::encodeJpeg(cameratest::solid(32, 32, kBlue)));
    writeBytes(dir / "notes.txt", {'h', 'i'});

    auto src = ImageFolderSource::open(dir.path());
    ASSERT_TRUE(src);
    EXPECT_EQ(src->photoCount(), 2u);
    EXPECT_EQ(src->currentFile().filename(), "a.png");

    // The preview shows the first photo: in portrait its green (top) half lies along the frame's
    // left edge. The picture is of it too, the halves where they belong.
    ImageRef port = src->previewFrame(DeviceOrientation::Portrait);
    ASSERT_TRUE(port);
    EXPECT_EQ(port->width(), 400);
    EXPECT_EQ(bgr(port, 0, 160), kGreen);
    EXPECT_EQ(bgr(port, 399, 160), kDarkGreen);
    ImageRef pic = src->pictureFrame(DeviceOrientation::LandscapeLeft);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->width(), 1600);
    EXPECT_EQ(bgr(pic, 0, 0), kGreen);
    EXPECT_EQ(bgr(pic, 1599, 1199), kDarkGreen);

    // After the picture the camera shows the next photo once it is decoded.
    src->waitForPhoto();
    EXPECT_EQ(src->currentFile().filename(), "b.jpg");
    cameratest::expectNear(bgr(src->pictureFrame(DeviceOrientation::Portrait), 800, 600), kBlue, 2, "b.jpg");
}

TEST(ImageFolderSource, ExifOrientationTurnsPhotosUpright) {
    testenv::ScratchDir dir;
    // A 16 x 8 photo stored on its side: red left half, blue right half, tagged orientation 6
    // (turn 90° clockwise to view): upright it is 8 x 16, red on top.
    auto jpeg = cameratest::encodeJpeg(cameratest::paint(16, 8, [](int x, int) { return x < 8 ? kRed : kBlue; }));
    const uint8_t app1[] = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,
                            'M', 'M', 0, 42, 0, 0, 0, 8,          // TIFF header, IFD at 8
                            0, 1,                                  // one entry
                            0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,  // Orientation SHORT 6
                            0, 0, 0, 0};                           // no next IFD
    jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
    EXPECT_EQ(JpegDecoder::exifOrientation(jpeg.data(), jpeg.size()), 6);
    writeBytes(dir / "side.jpg", jpeg);
    ImageRef up = ImageFolderSource::loadPhoto(dir / "side.jpg");
    ASSERT_TRUE(up);
    EXPECT_EQ(up->width(), 8);
    EXPECT_EQ(up->height(), 16);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(bgr(up, 4, 2)[i], kRed[i], 3);
        EXPECT_NEAR(bgr(up, 4, 13)[i], kBlue[i], 3);
    }
    // Truncated or missing EXIF reads as upright.
    EXPECT_EQ(JpegDecoder::exifOrientation(jpeg.data(), 12), 1);
    EXPECT_EQ(JpegDecoder::exifOrientation(nullptr, 0), 1);
}

TEST(ImageFolderSource, PhotosDecodeAtTheSmallestScaleThatCoversTheSensorAndHugeOnesAreRefused) {
    testenv::ScratchDir dir;
    // 3200 x 2400: a portrait frame needs 1600 rows, so 6/8 (2400 x 1800) is the smallest scale
    // that covers both orientations; 5/8 (2000 x 1500) would not.
    const BGR grey{90, 90, 90};
    writeBytes(dir / "big.jpg", cameratest::encodeJpeg(cameratest::solid(3200, 2400, grey)));
    ImageRef big = ImageFolderSource::loadPhoto(dir / "big.jpg");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->width(), 2400);
    EXPECT_EQ(big->height(), 1800);
    // An ordinary progressive photo decodes (its coefficients fit libjpeg's working memory).
    writeBytes(dir / "prog.jpg", cameratest::encodeJpeg(cameratest::solid(2000, 1500, grey), {.progressive = true}));
    ImageRef prog = ImageFolderSource::loadPhoto(dir / "prog.jpg");
    ASSERT_TRUE(prog);
    EXPECT_EQ(prog->width(), 2000);
    // A photo smaller than the sensor stays as it is.
    writeBytes(dir / "small.jpg", cameratest::encodeJpeg(cameratest::solid(40, 30, grey)));
    EXPECT_EQ(ImageFolderSource::loadPhoto(dir / "small.jpg")->width(), 40);

    // A header claiming 60000 x 60000 is 7500 x 7500 even at 1/8: refused before decoding, and
    // a folder of nothing else gives the one warning, naming it.
    testenv::ScratchDir hostile;
    const auto blue = cameratest::encodeJpeg(cameratest::solid(16, 16, kBlue));
    writeBytes(hostile / "huge.jpg", cameratest::claimSize(blue, 60000, 60000));
    bool tooLarge = false;
    EXPECT_FALSE(ImageFolderSource::loadPhoto(hostile / "huge.jpg", &tooLarge));
    EXPECT_TRUE(tooLarge);
    // A PNG gets the same limit from its header, whatever its name: 2800 x 2800 is over it
    // (no scaled decoding), 2700 x 2700 is not.
    for (int side : {2800, 2700}) {
        ASSERT_TRUE(cameratest::writePng(cameratest::solid(side, side, kBlue), hostile / "huge.jpeg"));
        tooLarge = false;
        EXPECT_EQ(bool(ImageFolderSource::loadPhoto(hostile / "huge.jpeg", &tooLarge)), side == 2700) << side;
        EXPECT_EQ(tooLarge, side == 2800) << side;
    }
    std::filesystem::remove(hostile / "huge.jpeg");
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> warnings;
    auto src = CameraSourceFactory::create("images:" + hostile.path().string(), clock, loop,
                                           [&](const std::string& l) { warnings.push_back(l); });
    EXPECT_EQ(src->description(), "synthetic");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("huge.jpg is too large"), std::string::npos) << warnings[0];
    // No folder, or one of broken photos only: nothing to open either.
    EXPECT_FALSE(ImageFolderSource::open(hostile / "missing"));
    writeBytes(hostile / "broken.jpg", {0xFF, 0xD8, 0xFF});
    EXPECT_FALSE(ImageFolderSource::open(hostile.path()));
    // Beside a good photo they are only skipped, without a word.
    writeBytes(hostile / "ok.jpg", blue);
    warnings.clear();
    src = CameraSourceFactory::create("images:" + hostile.path().string(), clock, loop,
                                      [&](const std::string& l) { warnings.push_back(l); });
    EXPECT_EQ(src->description(), "images:" + hostile.path().string());
    EXPECT_TRUE(warnings.empty());

    // A progressive header that is small at 1/8 (2000 x 2000) but would need its whole
    // 16000 x 16000 coefficient store: libjpeg's memory limit stops it before it starts.
    auto progressive = cameratest::claimSize(
        cameratest::encodeJpeg(cameratest::solid(16, 16, kBlue), {.progressive = true}), 16000, 16000);
    JpegDecoder::Request request;
    request.enough = [](int w, int h) { return w >= 1600 && h >= 1600; };
    JpegDecoder::Status status = JpegDecoder::Status::Ok;
    EXPECT_FALSE(JpegDecoder::decode(progressive.data(), progressive.size(), request, &status));
    EXPECT_EQ(status, JpegDecoder::Status::Broken);
}
