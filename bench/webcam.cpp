// A webcam's live frames: a 1280 x 720 MJPEG frame decoded into B,G,R,X, cut and shrunk to the
// preview, turned into the sensor frame and into the portrait screen's frame, as the capture
// thread and the main thread do it for each frame, in thread CPU time. At 30 frames a second this
// should take under a quarter of a core. A picture frame (made only for a shot) is measured apart.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"

#include "platform/camera/CameraSource.h"
#include "platform/camera/FramePool.h"
#include "platform/camera/SensorFrame.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/camera/VideoFrameConverter.h"
#include "platform/imageio/JpegEncoder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace platform;

namespace {

constexpr double kFps = 30;
constexpr int kW = 1280, kH = 720;

// The synthetic scene as a webcam would send it: MJPEG, quality 85, 4:2:0.
const std::vector<uint8_t>& mjpegFrame() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b;
        JpegEncoder::encode(*SyntheticSource::renderScene(1.25, kW, kH), 85, {}, b);
        return b;
    }();
    return bytes;
}

bool coversPicture(int w, int h) {
    return SensorFrame::covers(w, h, CameraSource::kPictureWidth, CameraSource::kPictureHeight);
}

void BM_WebcamMjpeg720pFrame(benchmark::State& state) {
    const auto& frame = mjpegFrame();
    const VideoFormat format{kFourccMJPEG, kW, kH, 0};
    FramePool capturePool(4), previewPool(6);
    const auto orientation = DeviceOrientation::Portrait;  // the phone as it is usually held
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(CameraSource::kPreviewWidth, CameraSource::kPreviewHeight, orientation, &uw, &uh);
    for (auto _ : state) {
        const double start = bench::threadCpuSeconds();
        ImageRef world = VideoFrameConverter::toBGRX(format, frame.data(), frame.size(), &capturePool, coversPicture);
        ImageRef upright = SensorFrame::scaled(
            world->crop(SensorFrame::centredCrop(world->width(), world->height(), double(uw) / uh)), uw, uh, &previewPool);
        ImageRef sensor = SensorFrame::fromUpright(upright, orientation, &previewPool);
        ImageRef screen = SensorFrame::forPortraitScreenFromUpright(upright, orientation, &previewPool);
        benchmark::DoNotOptimize(sensor);
        benchmark::DoNotOptimize(screen);
        state.SetIterationTime(bench::threadCpuSeconds() - start);
    }
}
BENCHMARK(BM_WebcamMjpeg720pFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// The 1600 x 1200 picture frame cut from one such frame (once a shot).
void BM_WebcamPictureFrameFrom720p(benchmark::State& state) {
    const auto& frame = mjpegFrame();
    ImageRef world = VideoFrameConverter::toBGRX({kFourccMJPEG, kW, kH, 0}, frame.data(), frame.size());
    for (auto _ : state) {
        ImageRef picture = SensorFrame::fromWorld(world, CameraSource::kPictureWidth, CameraSource::kPictureHeight,
                                                  DeviceOrientation::Portrait);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_WebcamPictureFrameFrom720p)->Unit(benchmark::kMillisecond);

bench::GoalRegistrar webcamGoal("camera.webcamMjpeg720p30fpsShareOfCore", [](const bench::Results& r)
                                    -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_WebcamMjpeg720pFrame/manual_time");
    if (!t) return std::nullopt;
    char note[96];
    std::snprintf(note, sizeof note, "%.2f ms a frame (limit 8.33 ms), thread CPU time", *t * 1e3);
    return bench::GoalLine{*t * kFps * 100, 25, "%", false, note};
});

}  // namespace
