#include "CameraTestSupport.h"
#include "FakeVideoDevice.h"

#include "platform/camera/CameraController.h"
#include "platform/camera/CameraSourceFactory.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/camera/V4L2Source.h"
#include "platform/camera/VideoFrameConverter.h"
#include "platform/system/Device.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace std::chrono_literals;

using namespace platform;
using cameratest::bgr;
using BGR = std::array<uint8_t, 3>;

namespace {
constexpr BGR kMark{SyntheticSource::kMarkB, SyntheticSource::kMarkG, SyntheticSource::kMarkR};

// 4 x 2 YUYV: black, white, red, red / blue, blue, grey, grey.
std::vector<uint8_t> yuyvTestFrame() {
    return {16, 128, 235, 128, 81, 90, 81, 240,     // row 0
            41, 240, 41, 110, 126, 128, 126, 128};  // row 1
}
std::vector<uint8_t> yuyvSolid(int w, int h, uint8_t y, uint8_t u, uint8_t v) {
    std::vector<uint8_t> f;
    f.reserve(size_t(w) * h * 2);
    for (int i = 0; i < w * h / 2; ++i) f.insert(f.end(), {y, u, y, v});
    return f;
}
std::vector<uint8_t> vgaWhite() { return yuyvSolid(640, 480, 235, 128, 128); }
std::vector<uint8_t> vgaBlack() { return yuyvSolid(640, 480, 16, 128, 128); }
std::vector<uint8_t> mjpegSolid(BGR c) {
    return cameratest::encodeJpeg(cameratest::paint(32, 24, [&](int, int) { return c; }));
}

void expectNear(const BGR& got, const BGR& want, int tolerance, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << what << " byte " << i;
}

// Fast reopening, so a test of a device coming back waits milliseconds, not seconds.
V4L2Source::Timing quickTiming() {
    V4L2Source::Timing t;
    t.reopenInterval = 0.005;
    return t;
}

struct Recorder final : CameraControllerDelegate {
    std::vector<std::string> events;
    ImageRef picture, preview;
    void cameraControllerReadyStateChanged(CameraController* c) override {
        events.push_back(c->isReady() ? "ready" : "not-ready");
    }
    void cameraControllerTookPicture(CameraController*, ImageRef pic, ImageRef prev, const std::vector<uint8_t>*,
                                     const ImageProperties*) override {
        events.push_back("picture");
        picture = pic;
        preview = prev;
    }
};

// A webcam behind the camera controller, as the application sees it.
class WebcamTest : public ::testing::Test {
protected:
    ManualClock clock{10.0};
    RunLoop loop{clock};
    Device device;
    Recorder rec;
    std::vector<std::string> warnings;
    FakeVideoDevice* dev = nullptr;
    V4L2Source* src = nullptr;
    std::unique_ptr<CameraController> cc;

    void SetUp() override { Device::setCurrentDevice(&device); }
    void TearDown() override {
        cc.reset();
        Device::setCurrentDevice(nullptr);
    }
    void start(std::vector<VideoMode> table) {
        auto d = std::make_unique<FakeVideoDevice>();
        d->table = std::move(table);
        dev = d.get();
        std::string error;
        auto s = V4L2Source::open(std::move(d), "/dev/video0", loop, &error,
                                  [this](const std::string& l) { warnings.push_back(l); }, quickTiming());
        ASSERT_TRUE(s) << error;
        src = s.get();
        cc = std::make_unique<CameraController>(std::move(s), &loop);
        cc->setDelegate(&rec);
        cc->startPreview();
    }
    bool deliver(std::vector<uint8_t> frame) {
        const uint64_t before = src->framesDelivered();
        dev->push(std::move(frame));
        return cameratest::waitFor(loop, [&] { return src->framesDelivered() > before; });
    }
    // A capture, run to its ready report.
    void shoot() {
        rec.events.clear();
        rec.picture.reset();
        cc->capturePhoto();
        loop.runFor(1.0s);
    }
};

}  // namespace

TEST(V4L2Source, FramesConvertFromEachFormat) {
    // YUYV: greys of limited-range BT.601 are exact: 16 -> 0, 235 -> 255, 126 -> 128.
    const VideoFormat fmt{kFourccYUYV, 4, 2, 8};
    const auto bytes = yuyvTestFrame();
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

    // MJPEG: a frame cut short is refused; bytes the webcam adds after the picture's end, or
    // before its end marker, are harmless.
    const auto jpeg = mjpegSolid({200, 100, 50});
    const VideoFormat mj{kFourccMJPEG, 32, 24, 0};
    ImageRef whole = VideoFrameConverter::toBGRX(mj, jpeg.data(), jpeg.size());
    ASSERT_TRUE(whole);
    expectNear(bgr(whole, 16, 12), {200, 100, 50}, 2, "mjpeg");
    EXPECT_FALSE(VideoFrameConverter::toBGRX(mj, jpeg.data(), jpeg.size() * 2 / 3));
    EXPECT_FALSE(VideoFrameConverter::toBGRX(mj, jpeg.data(), jpeg.size() - 2));  // no end marker
    auto padded2 = jpeg;
    padded2.insert(padded2.end(), 600, 0);
    EXPECT_TRUE(VideoFrameConverter::toBGRX(mj, padded2.data(), padded2.size()));
    // A frame larger than needed is decoded at the smallest scale that is enough (2/8 here).
    ImageRef small = VideoFrameConverter::toBGRX(mj, jpeg.data(), jpeg.size(), nullptr,
                                                 [](int w, int h) { return w >= 8 && h >= 6; });
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width(), 8);
    EXPECT_EQ(small->height(), 6);
    auto extraneous = jpeg;
    extraneous.insert(extraneous.end() - 2, {0x00, 0x00, 0x00, 0x00});
    EXPECT_TRUE(VideoFrameConverter::toBGRX(mj, extraneous.data(), extraneous.size()));
}

TEST_F(WebcamTest, ReadyOnlyAfterTheFirstFrameHasSettledAndNeverABlackPicture) {
    start(FakeVideoDevice::vgaWebcam());
    EXPECT_EQ(src->format(), (VideoFormat{kFourccYUYV, 640, 480, 1280}));

    // No frame for a long while: not ready, nothing to show, a capture gives nothing.
    loop.runFor(3.0s);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_FALSE(cc->isReady());
    EXPECT_FALSE(cc->previewFrame());
    shoot();
    EXPECT_TRUE(rec.events.empty());

    // The first frame (black, as webcams often start) shows at once; ready comes once the
    // exposure has had its half second, and the picture then is of the newest frame.
    ASSERT_TRUE(deliver(vgaBlack()));
    ASSERT_TRUE(cc->previewFrame());
    const double first = clock.now();
    ASSERT_TRUE(loop.runUntil([&] { return !rec.events.empty(); }, 2.0s));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"ready"}));
    EXPECT_GE(clock.now() - first, V4L2Source::Timing{}.settleSeconds);
    EXPECT_LE(clock.now() - first, V4L2Source::Timing{}.settleSeconds + CameraController::kReadyPollInterval.count() + 1e-9);
    ASSERT_TRUE(deliver(vgaWhite()));
    shoot();
    ASSERT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    EXPECT_EQ(rec.picture->width(), 1600);
    EXPECT_EQ(bgr(rec.picture, 800, 600), (BGR{255, 255, 255}));
    EXPECT_EQ(bgr(rec.preview, 200, 160), (BGR{255, 255, 255}));
    EXPECT_TRUE(warnings.empty());
}

TEST_F(WebcamTest, UnpluggedWebcamDropsItsLastFrameWarnsOnceAndComesBack) {
    start(FakeVideoDevice::vgaWebcam());
    ASSERT_TRUE(deliver(vgaWhite()));
    loop.runFor(1.0s);
    ASSERT_TRUE(cc->isReady());

    // Unplugged mid-stream: the white frame is gone at once, one warning with the device's own
    // words, and the synthetic camera stands in, marked corner and all.
    dev->unplug();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("v4l2:/dev/video0"), std::string::npos);
    EXPECT_NE(warnings[0].find("No such device"), std::string::npos);
    ImageRef preview = cc->previewFrame();
    ASSERT_TRUE(preview);
    EXPECT_EQ(bgr(preview, 2, 317), kMark);
    shoot();
    ASSERT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    EXPECT_EQ(bgr(rec.picture, 2, 1197), kMark);
    EXPECT_NE(bgr(rec.picture, 800, 100), (BGR{255, 255, 255}));

    // Attempts to reopen a missing node fail quietly: still one warning.
    const int opens = dev->opens();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return dev->opens() > opens + 2; }));
    EXPECT_EQ(warnings.size(), 1u);

    // Plugged in again: it streams anew and its frames are the pictures again.
    dev->replug();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return dev->streamStarts() == 2; }));
    ASSERT_TRUE(deliver(yuyvSolid(640, 480, 41, 240, 110)));
    EXPECT_FALSE(src->isLost());
    shoot();
    ASSERT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    expectNear(bgr(rec.picture, 800, 600), {255, 0, 0}, 2, "blue after replug");
    EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(WebcamTest, StalledWebcamCountsAsLostAfterTwoSecondsWithoutAFrame) {
    start(FakeVideoDevice::vgaWebcam());
    ASSERT_TRUE(deliver(vgaWhite()));
    loop.runFor(1.0s);
    ASSERT_TRUE(cc->isReady());

    dev->stall();
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("no frame for 2 s"), std::string::npos);
    shoot();
    ASSERT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    EXPECT_EQ(bgr(rec.picture, 2, 1197), kMark);

    // Frames again: the webcam is back without a second warning.
    ASSERT_TRUE(deliver(vgaBlack()));
    EXPECT_FALSE(src->isLost());
    shoot();
    EXPECT_EQ(bgr(rec.picture, 800, 600), (BGR{0, 0, 0}));
    EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(WebcamTest, BrokenMjpegFramesNeverReachThePreviewOrAPicture) {
    start(FakeVideoDevice::widescreenWebcam());
    EXPECT_EQ(src->format(), (VideoFormat{kFourccMJPEG, 1920, 1080, 0}));
    // Frames with extraneous bytes (as many webcams send them) are shown and taken.
    auto green = mjpegSolid({0, 255, 0});
    green.insert(green.end() - 2, {0, 0, 0});
    green.insert(green.end(), 100, 0);
    ASSERT_TRUE(deliver(green));
    loop.runFor(1.0s);
    ASSERT_TRUE(cc->isReady());

    // A frame cut short, then a whole one: the broken one is dropped, green stays on screen
    // until the next whole frame.
    const auto red = mjpegSolid({0, 0, 255});
    dev->push(std::vector<uint8_t>(red.begin(), red.begin() + long(red.size() / 2)));
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return dev->taken() == 2 && loop.allIdle(); }));
    EXPECT_EQ(src->framesDelivered(), 1u);
    expectNear(bgr(cc->previewFrame(), 200, 160), {0, 255, 0}, 2, "still green");
    ASSERT_TRUE(deliver(red));
    shoot();
    expectNear(bgr(rec.picture, 800, 600), {0, 0, 255}, 2, "red picture");
    expectNear(bgr(rec.preview, 200, 160), {0, 0, 255}, 2, "red thumbnail");
}

TEST_F(WebcamTest, AStreamOfOnlyBrokenFramesCountsAsLost) {
    start(FakeVideoDevice::widescreenWebcam());
    ASSERT_TRUE(deliver(mjpegSolid({0, 255, 0})));
    // Two seconds' worth of frames (at 30 a second) that all end early: lost, like a stall.
    const auto whole = mjpegSolid({0, 0, 255});
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(whole.size() / 2));
    for (int i = 0; i < 59; ++i) dev->push(cut);
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return dev->taken() == 60 && loop.allIdle(); }));
    EXPECT_FALSE(src->isLost());
    dev->push(cut);
    ASSERT_TRUE(cameratest::waitFor(loop, [&] { return src->isLost(); }));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("no frame for 2 s"), std::string::npos) << warnings[0];
    EXPECT_EQ(src->framesDelivered(), 1u);
}

TEST_F(WebcamTest, Nv12WebcamStreamsLibv4l2sConversion) {
    start(FakeVideoDevice::nv12Webcam());
    EXPECT_EQ(src->format(), (VideoFormat{kFourccBGR24, 1280, 720, 3840}));
    std::vector<uint8_t> frame(size_t(1280) * 720 * 3);
    for (size_t i = 0; i < frame.size(); i += 3) frame[i] = 10, frame[i + 1] = 20, frame[i + 2] = 30;
    ASSERT_TRUE(deliver(frame));
    loop.runFor(1.0s);
    ASSERT_EQ(rec.events, (std::vector<std::string>{"ready"}));
    shoot();
    ASSERT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    EXPECT_EQ(bgr(rec.picture, 800, 600), (BGR{10, 20, 30}));
}

TEST(V4L2Source, QuitWithAFrameOnItsWayLeavesNothingBehind) {
    // The source and then the run loop go while a delivery is still queued (sanitizer builds
    // catch any use of either afterwards).
    for (int round = 0; round < 3; ++round) {
        auto clock = std::make_unique<ManualClock>();
        auto loop = std::make_unique<RunLoop>(*clock);
        auto d = std::make_unique<FakeVideoDevice>();
        FakeVideoDevice* dev = d.get();
        auto src = V4L2Source::open(std::move(d), "/dev/video0", *loop);
        ASSERT_TRUE(src);
        dev->push(vgaWhite());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (dev->taken() < 1 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        ASSERT_EQ(dev->taken(), 1);
        EXPECT_FALSE(loop->allIdle());  // the delivery waits on the loop
        if (round == 1) {
            src.reset();
            EXPECT_TRUE(loop->allIdle());
            loop->runDue();  // the stale delivery does nothing
        } else if (round == 2) {
            src.reset();
        }
        src.reset();
        loop.reset();
        clock.reset();
    }
}

TEST(V4L2Source, OpeningFailuresGiveTheDevicesOwnWordsAndTheSyntheticCamera) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& line) { warnings.push_back(line); };
    auto create = [&](const std::string& option, std::function<void(FakeVideoDevice&)> setup) {
        CameraSourceFactory::Hardware hw;
        hw.makeDevice = [setup] {
            auto d = std::make_unique<FakeVideoDevice>();
            setup(*d);
            return d;
        };
        return CameraSourceFactory::create(option, clock, loop, warn, hw);
    };
    const struct {
        std::function<void(FakeVideoDevice&)> setup;
        const char* words;
    } cases[] = {
        {[](FakeVideoDevice& d) { d.openErrno = ENOENT; }, "No such file or directory"},
        {[](FakeVideoDevice& d) { d.openErrno = EACCES; }, "Permission denied"},
        {[](FakeVideoDevice& d) { d.formatErrno = EBUSY; }, "Device or resource busy"},
        {[](FakeVideoDevice& d) { d.table = {{FakeVideoDevice::kNV12, 640, 480, {}, false}}; },
         "no format that can be read"},
    };
    for (const auto& c : cases) {
        warnings.clear();
        auto src = create("v4l2:/dev/video9", c.setup);
        EXPECT_EQ(src->description(), "synthetic");
        ASSERT_EQ(warnings.size(), 1u) << c.words;
        EXPECT_NE(warnings[0].find("v4l2:/dev/video9"), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find(c.words), std::string::npos) << warnings[0];
        EXPECT_TRUE(src->previewFrame(DeviceOrientation::Portrait));
    }
    // The real libv4l2 device on a path that does not exist.
    warnings.clear();
    auto src = CameraSourceFactory::create("v4l2:/nonexistent/video0", clock, loop, warn);
    EXPECT_EQ(src->description(), "synthetic");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("No such file or directory"), std::string::npos) << warnings[0];
    // A device that works: no warning.
    warnings.clear();
    src = create("v4l2:/dev/video3", [](FakeVideoDevice&) {});
    EXPECT_EQ(src->description(), "v4l2:/dev/video3");
    EXPECT_TRUE(warnings.empty());
}

TEST(V4L2Source, AutoTakesTheFirstCaptureDeviceOnlyWhenAWindowIsShown) {
    ManualClock clock;
    RunLoop loop(clock);
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& line) { warnings.push_back(line); };
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

    // Option forms.
    EXPECT_TRUE(CameraSourceFactory::isValidOption("auto"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("synthetic"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("images:/tmp/x"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("v4l2:/dev/video0"));
    EXPECT_FALSE(CameraSourceFactory::isValidOption("v4l2:"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("pipewire"));
    EXPECT_TRUE(CameraSourceFactory::isValidOption("pipewire:HD Webcam"));
    EXPECT_FALSE(CameraSourceFactory::isValidOption("pipewire:"));
    EXPECT_FALSE(CameraSourceFactory::isValidOption("webcam"));
}
