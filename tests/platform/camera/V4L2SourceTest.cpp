#include "CameraTestSupport.h"
#include "FakeVideoDevice.h"

#include "platform/camera/CameraSourceFactory.h"
#include "platform/camera/V4L2Source.h"
#include "platform/camera/VideoFrameConverter.h"

#include <gtest/gtest.h>

using namespace platform;
using cameratest::bgr;
using BGR = std::array<uint8_t, 3>;

namespace {
constexpr uint32_t kRGB3 = fourcc('R', 'G', 'B', '3');

// 4 x 2 YUYV: black, white, red, red / blue, blue, grey, grey.
std::vector<uint8_t> yuyvTestFrame() {
    return {16, 128, 235, 128, 81, 90, 81, 240,     // row 0
            41, 240, 41, 110, 126, 128, 126, 128};  // row 1
}
std::vector<uint8_t> yuyvSolid(uint8_t y, uint8_t u, uint8_t v) { return {y, u, y, v, y, u, y, v, y, u, y, v, y, u, y, v}; }

void expectNear(const BGR& got, const BGR& want, int tolerance, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << what << " byte " << i;
}
}  // namespace

TEST(V4L2Source, NegotiationPrefersYuyvThenMjpeg) {
    // Both offered: YUYV is asked for, whatever the device's order.
    FakeVideoDevice both;
    auto f = V4L2Source::negotiate(both);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->pixelFormat, kFourccYUYV);
    EXPECT_EQ(both.requested, (std::vector<uint32_t>{kFourccYUYV}));
    EXPECT_EQ(f->width, 4);
    EXPECT_EQ(f->bytesPerLine, 8);

    // Only MJPEG.
    FakeVideoDevice mjpeg;
    mjpeg.offered = {kRGB3, kFourccMJPEG};
    f = V4L2Source::negotiate(mjpeg);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->pixelFormat, kFourccMJPEG);
    EXPECT_EQ(mjpeg.requested, (std::vector<uint32_t>{kFourccMJPEG}));

    // Neither offered: nothing is asked, nothing settled.
    FakeVideoDevice none;
    none.offered = {kRGB3};
    std::string error;
    EXPECT_FALSE(V4L2Source::negotiate(none, &error));
    EXPECT_TRUE(none.requested.empty());
    EXPECT_FALSE(error.empty());

    // A device that answers with a format of its own for both requests is refused.
    FakeVideoDevice stubborn;
    stubborn.substitute = kRGB3;
    EXPECT_FALSE(V4L2Source::negotiate(stubborn));
    EXPECT_EQ(stubborn.requested, (std::vector<uint32_t>{kFourccYUYV, kFourccMJPEG}));
}

TEST(V4L2Source, YuyvConvertsToBgrx) {
    const VideoFormat fmt{kFourccYUYV, 4, 2, 8};
    const auto bytes = yuyvTestFrame();
    ImageRef im = VideoFrameConverter::toBGRX(fmt, bytes.data(), bytes.size());
    ASSERT_TRUE(im);
    EXPECT_EQ(im->width(), 4);
    EXPECT_EQ(im->height(), 2);
    // Greys of limited-range BT.601 are exact: 16 -> 0, 235 -> 255, 126 -> 128.
    EXPECT_EQ(cameratest::px(im, 0, 0), (std::array<uint8_t, 4>{0, 0, 0, 255}));
    EXPECT_EQ(cameratest::px(im, 1, 0), (std::array<uint8_t, 4>{255, 255, 255, 255}));
    EXPECT_EQ(bgr(im, 2, 1), (BGR{128, 128, 128}));
    // Saturated red and blue, within the rounding of libyuv's fixed-point coefficients.
    expectNear(bgr(im, 2, 0), BGR{0, 0, 254}, 1, "red");
    expectNear(bgr(im, 3, 0), BGR{0, 0, 254}, 1, "red");
    expectNear(bgr(im, 0, 1), BGR{255, 0, 0}, 2, "blue");

    // Padded rows are honoured; short data, odd widths and other formats are refused.
    std::vector<uint8_t> padded = {16, 128, 16, 128, 9, 9, 235, 128, 235, 128, 9, 9};
    ImageRef p = VideoFrameConverter::toBGRX({kFourccYUYV, 2, 2, 6}, padded.data(), padded.size());
    ASSERT_TRUE(p);
    EXPECT_EQ(bgr(p, 1, 0), (BGR{0, 0, 0}));
    EXPECT_EQ(bgr(p, 0, 1), (BGR{255, 255, 255}));
    EXPECT_FALSE(VideoFrameConverter::toBGRX(fmt, bytes.data(), bytes.size() - 1));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({kFourccYUYV, 3, 2, 6}, bytes.data(), bytes.size()));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({kRGB3, 4, 2, 12}, bytes.data(), bytes.size()));
}

TEST(V4L2Source, CaptureThreadHandsFramesToTheMainThread) {
    ManualClock clock;
    RunLoop loop(clock);
    auto device = std::make_unique<FakeVideoDevice>();
    FakeVideoDevice* dev = device.get();
    std::string error;
    auto src = V4L2Source::open(std::move(device), "/dev/video7", loop, &error);
    ASSERT_TRUE(src) << error;
    EXPECT_EQ(dev->openedPath, "/dev/video7");
    EXPECT_EQ(src->description(), "v4l2:/dev/video7");
    EXPECT_EQ(src->format().pixelFormat, kFourccYUYV);

    // Nothing until the first frame has come through the run loop.
    EXPECT_FALSE(src->previewFrame(3));
    dev->push(yuyvSolid(235, 128, 128));
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->framesDelivered() == 1; }));
    EXPECT_TRUE(loop.allIdle());
    ImageRef white = src->previewFrame(3);
    ASSERT_TRUE(white);
    EXPECT_EQ(white->width(), 400);
    EXPECT_EQ(white->height(), 320);
    EXPECT_EQ(cameratest::px(white, 200, 160), (std::array<uint8_t, 4>{255, 255, 255, 255}));

    // The next frame replaces it; the picture is cut from the newest frame at full size.
    dev->push(yuyvSolid(41, 240, 110));
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->framesDelivered() == 2; }));
    expectNear(bgr(src->previewFrame(1), 0, 0), BGR{255, 0, 0}, 2, "blue preview");
    ImageRef pic = src->pictureFrame(1);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->width(), 1600);
    EXPECT_EQ(pic->height(), 1200);
    expectNear(bgr(pic, 1599, 1199), BGR{255, 0, 0}, 2, "blue picture");
}

TEST(V4L2Source, MjpegFramesAreDecoded) {
    ManualClock clock;
    RunLoop loop(clock);
    auto device = std::make_unique<FakeVideoDevice>();
    FakeVideoDevice* dev = device.get();
    dev->offered = {kFourccMJPEG};
    dev->width = 16;
    dev->height = 16;
    auto src = V4L2Source::open(std::move(device), "/dev/video1", loop);
    ASSERT_TRUE(src);
    EXPECT_EQ(src->format().pixelFormat, kFourccMJPEG);

    // A broken frame is dropped without harm (and frees the way for the next); a good one arrives.
    dev->push({0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3});
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return dev->taken() == 1 && loop.allIdle(); }));
    EXPECT_EQ(src->framesDelivered(), 0u);
    EXPECT_FALSE(src->previewFrame(3));
    const BGR colour{200, 100, 50};
    dev->push(cameratest::encodeJpeg(cameratest::paint(16, 16, [&](int, int) { return colour; })));
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->framesDelivered() == 1; }));
    ImageRef f = src->previewFrame(3);
    ASSERT_TRUE(f);
    expectNear(bgr(f, 100, 100), colour, 2, "mjpeg");
}

TEST(V4L2Source, DeviceThatFailsFallsBackToSyntheticWithOneWarning) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& line) { warnings.push_back(line); };

    // Fails to open.
    auto src = CameraSourceFactory::create("v4l2:/dev/video9", clock, loop, warn, [] {
        auto d = std::make_unique<FakeVideoDevice>();
        d->openFails = true;
        return d;
    });
    ASSERT_TRUE(src);
    EXPECT_EQ(src->description(), "synthetic");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("v4l2:/dev/video9"), std::string::npos);
    EXPECT_NE(warnings[0].find("no such device"), std::string::npos);
    EXPECT_TRUE(src->previewFrame(1));

    // Opens but offers no usable format.
    warnings.clear();
    src = CameraSourceFactory::create("v4l2:/dev/video2", clock, loop, warn, [] {
        auto d = std::make_unique<FakeVideoDevice>();
        d->offered = {kRGB3};
        return d;
    });
    EXPECT_EQ(src->description(), "synthetic");
    EXPECT_EQ(warnings.size(), 1u);

    // The real libv4l2 device on a path that does not exist.
    warnings.clear();
    src = CameraSourceFactory::create("v4l2:/nonexistent/video0", clock, loop, warn);
    EXPECT_EQ(src->description(), "synthetic");
    EXPECT_EQ(warnings.size(), 1u);

    // A device that works: no warning.
    warnings.clear();
    src = CameraSourceFactory::create("v4l2:/dev/video3", clock, loop, warn, [] { return std::make_unique<FakeVideoDevice>(); });
    EXPECT_EQ(src->description(), "v4l2:/dev/video3");
    EXPECT_TRUE(warnings.empty());

    // Option forms.
    EXPECT_TRUE(CameraSourceFactory::isValidOption("synthetic"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("images:/tmp/x"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("v4l2:/dev/video0"));
    EXPECT_FALSE(CameraSourceFactory::isValidOption("v4l2:"));
    EXPECT_FALSE(CameraSourceFactory::isValidOption("webcam"));
}
