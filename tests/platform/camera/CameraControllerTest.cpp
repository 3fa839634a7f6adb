#include "CameraTestSupport.h"

#include "platform/camera/CameraController.h"
#include "platform/camera/SensorFrame.h"
#include "platform/system/Device.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::chrono_literals;

using namespace platform;
using cameratest::bgr;

namespace {

struct Recorder final : CameraControllerDelegate {
    std::vector<std::string> events;
    std::vector<double> times;
    ImageRef picture, preview;
    bool jpegNull = false, propertiesNull = false, readyDuringPicture = true;
    const Clock* clock = nullptr;

    void cameraControllerReadyStateChanged(CameraController* c) override {
        events.push_back(c->isReady() ? "ready" : "not-ready");
        times.push_back(clock->now());
    }
    void cameraControllerTookPicture(CameraController* c, ImageRef pic, ImageRef prev,
                                     const std::vector<uint8_t>* jpeg, const ImageProperties* props) override {
        events.push_back("picture");
        times.push_back(clock->now());
        picture = pic;
        preview = prev;
        jpegNull = jpeg == nullptr;
        propertiesNull = props == nullptr;
        readyDuringPicture = c->isReady();
    }
};

// A camera with nothing to show until it has its picture, like a webcam before its first frame.
struct LateSource final : CameraSource {
    bool has = false;
    ImageRef previewFrame(DeviceOrientation) override {
        return has ? SensorFrame::solid(kPreviewWidth, kPreviewHeight, 1, 2, 3) : nullptr;
    }
    ImageRef pictureFrame(DeviceOrientation) override {
        return has ? SensorFrame::solid(kPictureWidth, kPictureHeight, 1, 2, 3) : nullptr;
    }
    bool hasPicture() const override { return has; }
    std::string description() const override { return "late"; }
};

class CameraControllerTest : public ::testing::Test {
protected:
    ManualClock clock{10.0};
    RunLoop loop{clock};
    Recorder rec;
    Device device;
    void SetUp() override {
        rec.clock = &clock;
        Device::setCurrentDevice(&device);
    }
    void TearDown() override { Device::setCurrentDevice(nullptr); }
};

}  // namespace

TEST_F(CameraControllerTest, CaptureDeliversPictureThenReadyOnTheRunLoopClock) {
    CameraController cc(nullptr, &loop);
    cc.setDelegate(&rec);

    // Not ready before the preview starts (a capture then is refused as while warming up).
    EXPECT_FALSE(cc.isReady());
    EXPECT_FALSE(cc.previewFrame());
    loop.runFor(1.0s);

    // startPreview: ready after the warm-up, reported once; a second call changes nothing.
    cc.startPreview();
    cc.startPreview();
    cc.capturePhoto();  // still warming up: refused
    loop.runFor(CameraController::kWarmUpDelay);
    ASSERT_EQ(rec.events, (std::vector<std::string>{"ready"}));
    EXPECT_DOUBLE_EQ(rec.times[0], 11.0 + CameraController::kWarmUpDelay.count());
    EXPECT_TRUE(cc.isReady());
    ASSERT_TRUE(cc.previewFrame());

    // A capture: nothing at once, not ready while the picture is on its way; a second request
    // meanwhile is refused silently.
    rec.events.clear();
    rec.times.clear();
    const double shot = clock.now();
    cc.capturePhoto();
    EXPECT_FALSE(cc.isReady());
    cc.capturePhoto();
    loop.runDue();
    EXPECT_TRUE(rec.events.empty());
    loop.runFor(1.0s);
    ASSERT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    EXPECT_DOUBLE_EQ(rec.times[0], shot + CameraController::kCaptureDelay.count());
    EXPECT_DOUBLE_EQ(rec.times[1], rec.times[0]);
    EXPECT_FALSE(rec.readyDuringPicture);
    EXPECT_TRUE(cc.isReady());
    EXPECT_TRUE(rec.jpegNull);
    EXPECT_TRUE(rec.propertiesNull);

    // Ending the application: a picture in flight is delivered at once, with its ready report,
    // and not again at its time; with none in flight nothing happens.
    rec.events.clear();
    cc.deliverPendingPicture();
    EXPECT_TRUE(rec.events.empty());
    cc.capturePhoto();
    cc.deliverPendingPicture();
    EXPECT_EQ(rec.events, (std::vector<std::string>{"picture", "ready"}));
    loop.runFor(1.0s);
    EXPECT_EQ(rec.events.size(), 2u);

    // The picture and the preview, each of the device's orientation (portrait: the marked corner
    // bottom-left).
    ASSERT_TRUE(rec.picture && rec.preview);
    EXPECT_EQ(rec.picture->width(), 1600);
    EXPECT_EQ(rec.preview->width(), 400);
    for (const ImageRef& im : {rec.picture, rec.preview}) EXPECT_EQ(bgr(im, 2, im->height() - 3), cameratest::kMark);
}

TEST_F(CameraControllerTest, OrientationNullDelegateAndTeardown) {
    auto cc = std::make_unique<CameraController>(nullptr, &loop);
    cc->startPreview();
    loop.runFor(0.5s);

    // Without a delegate a capture still completes and the camera is ready again.
    cc->capturePhoto();
    loop.runFor(0.5s);
    EXPECT_TRUE(cc->isReady());

    // The picture follows the device orientation at delivery: landscape right puts the mark
    // bottom-right.
    cc->setDelegate(&rec);
    device.setOrientation(DeviceOrientation::LandscapeRight);
    cc->capturePhoto();
    loop.runFor(0.5s);
    ASSERT_TRUE(rec.picture);
    EXPECT_EQ(bgr(rec.picture, 1597, 1197), cameratest::kMark);

    // A controller that goes with a picture in flight reports nothing afterwards.
    rec.events.clear();
    cc->capturePhoto();
    cc.reset();
    loop.runFor(1.0s);
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(CameraControllerTest, ReadyWaitsUntilTheSourceHasAPicture) {
    auto owned = std::make_unique<LateSource>();
    LateSource* late = owned.get();
    CameraController cc(std::move(owned), &loop);
    cc.setDelegate(&rec);
    cc.startPreview();
    loop.runFor(5.0s);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_FALSE(cc.isReady());
    EXPECT_FALSE(cc.previewFrame());  // no black frame made up
    cc.capturePhoto();
    loop.runFor(1.0s);
    EXPECT_TRUE(rec.events.empty());

    // Ready at the first check after the source has its picture.
    late->has = true;
    const double since = clock.now();
    loop.runFor(1.0s);
    ASSERT_EQ(rec.events, (std::vector<std::string>{"ready"}));
    EXPECT_GT(rec.times[0], since);
    EXPECT_LE(rec.times[0], since + CameraController::kReadyPollInterval.count() + 1e-9);
    cc.capturePhoto();
    loop.runFor(1.0s);
    ASSERT_EQ(rec.events, (std::vector<std::string>{"ready", "picture", "ready"}));
    EXPECT_EQ(bgr(rec.picture, 5, 5), (std::array<uint8_t, 3>{1, 2, 3}));

    // Nothing to show when the picture is due: none is made up, but the capture still ends with
    // its ready report.
    late->has = false;
    rec.picture.reset();
    cc.capturePhoto();
    loop.runFor(1.0s);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"ready", "picture", "ready", "ready"}));
    EXPECT_FALSE(rec.picture);
    EXPECT_TRUE(cc.isReady());
}
