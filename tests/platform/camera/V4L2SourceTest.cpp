#include "CameraTestSupport.h"
#include "FakeVideoDevice.h"

#include "platform/camera/CameraSourceFactory.h"
#include "platform/camera/V4L2Source.h"
#include "platform/camera/VideoFrameConverter.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace std::chrono_literals;

using namespace platform;
using cameratest::bgr;
using cameratest::BGR;
using cameratest::expectNear;
using cameratest::kMark;

namespace {

std::vector<uint8_t> yuyvSolid(int w, int h, uint8_t y, uint8_t u, uint8_t v) {
    std::vector<uint8_t> f;
    f.reserve(size_t(w) * h * 2);
    for (int i = 0; i < w * h / 2; ++i) f.insert(f.end(), {y, u, y, v});
    return f;
}
std::vector<uint8_t> vgaWhite() { return yuyvSolid(640, 480, 235, 128, 128); }
std::vector<uint8_t> mjpegSolid(BGR c) {
    return cameratest::encodeJpeg(cameratest::paint(32, 24, [&](int, int) { return c; }));
}
std::vector<uint8_t> cutShort(const std::vector<uint8_t>& jpeg) {
    return {jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2)};
}

// A webcam's source as the camera controller sees it; fast reopening, so that a device coming
// back is waited for in milliseconds.
class WebcamTest : public ::testing::Test {
public:  // the cases' lambdas drive it too
    ManualClock clock{10.0};
    RunLoop loop{clock};
    std::vector<std::string> warnings;
    FakeVideoDevice* dev = nullptr;
    std::unique_ptr<V4L2Source> src;

    void start(std::vector<VideoMode> table) {
        auto d = std::make_unique<FakeVideoDevice>();
        d->table = std::move(table);
        dev = d.get();
        V4L2Source::Timing quick;
        quick.reopenInterval = 0.005;
        std::string error;
        src = V4L2Source::open(std::move(d), "/dev/video0", loop, &error,
                               [this](const std::string& l) { warnings.push_back(l); }, quick);
        ASSERT_TRUE(src) << error;
    }
    bool deliver(std::vector<uint8_t> frame) {
        const uint64_t before = src->framesDelivered();
        dev->push(std::move(frame));
        return cameratest::waitFor(loop, [&] { return src->framesDelivered() > before; });
    }
    // A pixel of the 1600 x 1200 picture taken now (portrait: the stand-in's mark bottom-left).
    BGR picture(int x = 800, int y = 600) {
        ImageRef p = src->pictureFrame(DeviceOrientation::Portrait);
        if (!p) return {};
        EXPECT_EQ(p->width(), 1600);
        return bgr(p, x, y);
    }
};

}  // namespace

TEST(V4L2Source, FramesConvertFromEachFormat) {
    // YUYV: greys of limited-range BT.601 are exact: 16 -> 0, 235 -> 255, 126 -> 128.
    // 4 x 2: black, white, red, red / blue, blue, grey, grey.
    const VideoFormat fmt{kFourccYUYV, 4, 2, 8};
    const std::vector<uint8_t> bytes{16, 128, 235, 128, 81, 90, 81, 240,     // row 0
                                     41, 240, 41, 110, 126, 128, 126, 128};  // row 1
    ImageRef im = VideoFrameConverter::toBGRX(fmt, bytes.data(), bytes.size());
    ASSERT_TRUE(im);
    EXPECT_EQ(cameratest::px(im, 0, 0), (std::array<uint8_t, 4>{0, 0, 0, 255}));
    EXPECT_EQ(cameratest::px(im, 1, 0), (std::array<uint8_t, 4>{255, 255, 255, 255}));
    EXPECT_EQ(bgr(im, 2, 1), (BGR{128, 128, 128}));
    expectNear(bgr(im, 2, 0), BGR{0, 0, 254}, 1, "red");
    expectNear(bgr(im, 0, 1), BGR{255, 0, 0}, 2, "blue");
    // Padded rows are honoured; short data, odd widths and other formats are refused.
    std::vector<uint8_t> padded = {16, 128, 16, 128, 9, 9, 235, 128, 235, 128, 9, 9};
    ImageRef p = VideoFrameConverter::toBGRX({kFourccYUYV, 2, 2, 6}, padded.data(), padded.size());
    ASSERT_TRUE(p);
    EXPECT_EQ(bgr(p, 1, 0), (BGR{0, 0, 0}));
    EXPECT_EQ(bgr(p, 0, 1), (BGR{255, 255, 255}));
    EXPECT_FALSE(VideoFrameConverter::toBGRX(fmt, bytes.data(), bytes.size() - 1));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({kFourccYUYV, 3, 2, 6}, bytes.data(), bytes.size()));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({FakeVideoDevice::kRGB3, 4, 2, 12}, bytes.data(), bytes.size()));

    // libv4l2's B,G,R: exact bytes, its padded rows skipped.
    const std::vector<uint8_t> bgr24 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    ImageRef b = VideoFrameConverter::toBGRX({kFourccBGR24, 2, 2, 8}, bgr24.data(), bgr24.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(cameratest::px(b, 1, 0), (std::array<uint8_t, 4>{4, 5, 6, 255}));
    EXPECT_EQ(cameratest::px(b, 0, 1), (std::array<uint8_t, 4>{7, 8, 9, 255}));
    EXPECT_FALSE(VideoFrameConverter::toBGRX({kFourccBGR24, 2, 2, 8}, bgr24.data(), 13));
    EXPECT_TRUE(VideoFrameConverter::toBGRX({kFourccBGR24, 2, 2, 8}, bgr24.data(), 14));  // no padding after

    // MJPEG (a webcam's broken frames are followed through the source below): one without its
    // end marker is refused; one larger than needed is decoded at the smallest scale that is
    // enough (2/8 here).
    const auto jpeg = mjpegSolid({200, 100, 50});
    const VideoFormat mj{kFourccMJPEG, 32, 24, 0};
    EXPECT_FALSE(VideoFrameConverter::toBGRX(mj, jpeg.data(), jpeg.size() - 2));
    ImageRef small = VideoFrameConverter::toBGRX(mj, jpeg.data(), jpeg.size(), nullptr,
                                                 [](int w, int h) { return w >= 8 && h >= 6; });
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width(), 8);
    EXPECT_EQ(small->height(), 6);
    expectNear(bgr(small, 4, 3), {200, 100, 50}, 2, "mjpeg");
}

TEST_F(WebcamTest, ReadyOnlyAfterTheFirstFrameHasSettledAndNeverABlackPicture) {
    start(FakeVideoDevice::vgaWebcam());
    EXPECT_EQ(src->format(), (VideoFormat{kFourccYUYV, 640, 480, 1280}));

    // No frame for a long while: nothing to show, no picture to take.
    loop.runFor(3.0s);
    EXPECT_FALSE(src->hasPicture());
    EXPECT_FALSE(src->previewFrame(DeviceOrientation::Portrait));
    EXPECT_FALSE(src->pictureFrame(DeviceOrientation::Portrait));

    // The first frame (black, as webcams often start) shows at once; a picture is there once the
    // exposure has had its half second (run-loop time), and it is of the newest frame.
    ASSERT_TRUE(deliver(yuyvSolid(640, 480, 16, 128, 128)));
    EXPECT_TRUE(src->previewFrame(DeviceOrientation::Portrait));
    const double settle = V4L2Source::Timing{}.settleSeconds;
    loop.runFor(std::chrono::duration<double>(settle - 0.01));
    EXPECT_FALSE(src->hasPicture());
    loop.runFor(0.01s);
    EXPECT_TRUE(src->hasPicture());
    ASSERT_TRUE(deliver(vgaWhite()));
    EXPECT_EQ(picture(), (BGR{255, 255, 255}));
    EXPECT_EQ(bgr(src->previewFrame(DeviceOrientation::Portrait), 200, 160), (BGR{255, 255, 255}));
    EXPECT_TRUE(warnings.empty());
}

// However the webcam goes (unplugged, silent, or sending nothing whole for two seconds): one line
// naming it and why, the stand-in's picture at once and never the last frame; back with the next
// whole frame, without another line.
TEST_F(WebcamTest, ALostWebcamWarnsOnceShowsTheStandInAndComesBack) {
    // Whole with extraneous bytes, as many webcams send them.
    auto whole = mjpegSolid({0, 0, 255});
    whole.insert(whole.end() - 2, {0, 0, 0});
    whole.insert(whole.end(), 100, 0);
    const struct {
        const char* name;
        std::vector<VideoMode> table;
        std::function<void(WebcamTest&)> lose, back;
        const char* words;
    } cases[] = {
        {"unplugged", FakeVideoDevice::vgaWebcam(), [](WebcamTest& t) { t.dev->unplug(); },
         [](WebcamTest& t) {
             // Attempts to reopen a missing node fail quietly; plugged in again, it streams anew.
             const int opens = t.dev->opens();
             ASSERT_TRUE(cameratest::waitFor(t.loop, [&] { return t.dev->opens() > opens + 2; }));
             EXPECT_EQ(t.warnings.size(), 1u);
             t.dev->replug();
             ASSERT_TRUE(cameratest::waitFor(t.loop, [&] { return t.dev->streamStarts() == 2; }));
         },
         "No such device"},
        {"stalled", FakeVideoDevice::vgaWebcam(), [](WebcamTest& t) { t.dev->stall(); }, nullptr,
         "no frame for 2 s"},
        {"only broken frames", FakeVideoDevice::widescreenWebcam(),
         [&](WebcamTest& t) {
             // Two seconds' worth at 30 a second: lost with the 60th, as if none had come.
             for (int i = 0; i < 59; ++i) t.dev->push(cutShort(whole));
             ASSERT_TRUE(cameratest::waitFor(t.loop, [&] { return t.dev->taken() == 60 && t.loop.allIdle(); }));
             EXPECT_FALSE(t.src->isLost());
             t.dev->push(cutShort(whole));
         },
         nullptr, "no frame for 2 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        warnings.clear();
        start(c.table);
        const bool mjpeg = src->format().pixelFormat == kFourccMJPEG;
        ASSERT_TRUE(deliver(mjpeg ? mjpegSolid({255, 255, 255}) : vgaWhite()));
        loop.runFor(1.0s);
        ASSERT_TRUE(src->hasPicture());

        c.lose(*this);
        ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }));
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("camera v4l2:/dev/video0 lost"), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find(c.words), std::string::npos) << warnings[0];
        EXPECT_EQ(bgr(src->previewFrame(DeviceOrientation::Portrait), 2, 317), kMark);
        EXPECT_TRUE(src->hasPicture());
        EXPECT_EQ(picture(2, 1197), kMark);
        EXPECT_NE(picture(800, 100), (BGR{255, 255, 255}));

        if (c.back) c.back(*this);
        ASSERT_TRUE(deliver(mjpeg ? whole : yuyvSolid(640, 480, 41, 240, 110)));
        EXPECT_FALSE(src->isLost());
        expectNear(picture(), mjpeg ? BGR{0, 0, 255} : BGR{255, 0, 0}, 2, "after it came back");
        EXPECT_EQ(warnings.size(), 1u);
    }
}

TEST(V4L2Source, QuitWithAFrameOnItsWayLeavesNothingBehind) {
    // The source and then the run loop go while a delivery is still queued (sanitizer builds
    // catch any use of either afterwards).
    ManualClock clock;
    auto loop = std::make_unique<RunLoop>(clock);
    auto d = std::make_unique<FakeVideoDevice>();
    FakeVideoDevice* dev = d.get();
    auto src = V4L2Source::open(std::move(d), "/dev/video0", *loop);
    ASSERT_TRUE(src);
    dev->push(vgaWhite());
    ASSERT_TRUE(testenv::waitUntil([&] { return dev->taken() == 1; }, 5));
    EXPECT_FALSE(loop->allIdle());  // the delivery waits on the loop
    src.reset();
    EXPECT_TRUE(loop->allIdle());
    loop->runDue();  // the stale delivery does nothing
    loop.reset();
}

class FactoryTest : public ::testing::Test {
protected:
    ManualClock clock;
    RunLoop loop{clock};
    std::vector<std::string> warnings;
    std::function<void(const std::string&)> warn = [this](const std::string& line) { warnings.push_back(line); };
};

// A device that does not open, and one that does not stream (the reasons it does not are
// V4L2Source::startStreaming's test's).
TEST_F(FactoryTest, OpeningFailuresGiveTheDevicesOwnWordsAndTheSyntheticCamera) {
    int openErrno = 0, formatErrno = 0;
    CameraSourceFactory::Hardware hw;
    hw.makeDevice = [&] {
        auto d = std::make_unique<FakeVideoDevice>();
        d->openErrno = openErrno;
        d->formatErrno = formatErrno;
        return d;
    };
    for (auto [open, format, words] : {std::tuple{EACCES, 0, "Permission denied"},
                                       std::tuple{0, EBUSY, "Device or resource busy"}}) {
        warnings.clear();
        openErrno = open;
        formatErrno = format;
        auto src = CameraSourceFactory::create("v4l2:/dev/video9", clock, loop, warn, hw);
        EXPECT_EQ(src->description(), "synthetic");
        ASSERT_EQ(warnings.size(), 1u) << words;
        EXPECT_NE(warnings[0].find("v4l2:/dev/video9"), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find(words), std::string::npos) << warnings[0];
        EXPECT_TRUE(src->previewFrame(DeviceOrientation::Portrait));
    }
    // A device that works: no warning.
    warnings.clear();
    openErrno = formatErrno = 0;
    EXPECT_EQ(CameraSourceFactory::create("v4l2:/dev/video3", clock, loop, warn, hw)->description(), "v4l2:/dev/video3");
    EXPECT_TRUE(warnings.empty());
}

TEST_F(FactoryTest, AutoTakesTheFirstCaptureDeviceOnlyWhenAWindowIsShown) {
    // /dev/video0 is a metadata node (no capture), /dev/video1 a webcam, /dev/video2 another.
    std::vector<std::string> probed;
    CameraSourceFactory::Hardware hw;
    hw.pipeWire = false;
    hw.listDevices = [] { return std::vector<std::string>{"/dev/video0", "/dev/video1", "/dev/video2"}; };
    hw.makeDevice = [&] {
        auto d = std::make_unique<FakeVideoDevice>();
        if (probed.empty()) d->openErrno = ENODEV;
        probed.push_back("made");
        return d;
    };

    // Headless: the synthetic camera, silently, without looking.
    auto src = CameraSourceFactory::create("auto", clock, loop, warn, hw);
    EXPECT_EQ(src->description(), "synthetic");
    EXPECT_TRUE(probed.empty());
    EXPECT_TRUE(warnings.empty());

    // In a window: the first capture device.
    hw.windowShown = true;
    src = CameraSourceFactory::create("auto", clock, loop, warn, hw);
    EXPECT_EQ(src->description(), "v4l2:/dev/video1");
    EXPECT_EQ(probed.size(), 2u);
    EXPECT_TRUE(warnings.empty());

    // No device at all: the synthetic camera, said in one line.
    hw.listDevices = [] { return std::vector<std::string>{}; };
    src = CameraSourceFactory::create("auto", clock, loop, warn, hw);
    EXPECT_EQ(src->description(), "synthetic");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("no webcam"), std::string::npos);

    // Nodes are taken in number order, not name order; other names are not video nodes.
    testenv::ScratchDir dir;
    for (const char* n : {"video10", "video2", "video0", "videoX", "media0", "video"}) std::ofstream(dir / n) << "";
    EXPECT_EQ(CameraSourceFactory::videoNodes(dir.path().string()),
              (std::vector<std::string>{(dir / "video0").string(), (dir / "video2").string(), (dir / "video10").string()}));

}
