// The screen's frame made on the producing thread, beside the picture's world frame: the same
// pixels the main thread would make from that frame.
#include "platform/camera/LiveCameraSource.h"
#include "platform/camera/SensorFrame.h"
#include "tests/platform/camera/CameraTestSupport.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct HandFedCamera final : LiveCameraSource {
    explicit HandFedCamera(RunLoop& loop) : LiveCameraSource(loop, [](const std::string&) {}, 0) {}
    std::string description() const override { return "hand-fed"; }
    // This thread plays the producing one.
    void feed(const ImageRef& frame) {
        const VideoFormat format{kFourccBGRX, frame->width(), frame->height(), frame->bytesPerRow()};
        ASSERT_TRUE(offerFrame(format, {{frame->data(), size_t(frame->bytesPerRow()) * frame->height(),
                                          frame->bytesPerRow()}}));
    }
};

}  // namespace

TEST(LiveCameraSource, TheProducingThreadsScreenFrameIsTheMainThreadsSum) {
    ManualClock clock;
    RunLoop loop(clock);
    HandFedCamera camera(loop);
    auto frame = [](int k) {
        return cameratest::paint(48, 36, [k](int x, int y) {
            return std::array<uint8_t, 3>{uint8_t(x * 5 + k), uint8_t(y * 7), uint8_t((x + y) * 3)};
        });
    };
    for (const auto orientation : {DeviceOrientation::Portrait, DeviceOrientation::LandscapeLeft}) {
        SCOPED_TRACE(int(orientation));
        // The first frame's screen frame is made on the main thread; it asks for that size from then on.
        camera.feed(frame(0));
        ASSERT_TRUE(cameratest::waitFor(loop, [&] { return camera.framesDelivered() > 0; }));
        ASSERT_TRUE(camera.screenFrame(orientation, 12, 20));
        const uint64_t seen = camera.framesDelivered();
        const ImageRef second = frame(1);
        camera.feed(second);
        ASSERT_TRUE(cameratest::waitFor(loop, [&] { return camera.framesDelivered() > seen; }));
        const ImageRef shown = camera.screenFrame(orientation, 12, 20);
        const ImageRef want = SensorFrame::screenFromWorld(second, 12, 20, orientation);
        ASSERT_TRUE(shown && want);
        EXPECT_EQ(shown->width(), want->width());
        EXPECT_EQ(shown->copyData(), want->copyData());
    }
}
