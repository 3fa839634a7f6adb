// The live preview's cost: the synthetic camera drawing a 400 x 320 frame for the portrait
// device and the view turning it upright, at 30 frames a second; and a full picture frame.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"

#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/Clock.h"

#include <benchmark/benchmark.h>


using namespace platform;

namespace {

constexpr double kFps = 30;

// One live frame as the preview view gets it, turned for the portrait screen (the synthetic
// camera draws it upright and skips the sensor's turn), timed in CPU time.
void BM_SyntheticPreviewFrameUpright(benchmark::State& state) {
    ManualClock clock;
    SyntheticSource src(clock);
    for (auto _ : state) {
        const double start = bench::threadCpuSeconds();
        clock.advance(1 / kFps);
        ImageRef f = src.screenFrame(DeviceOrientation::Portrait, 320, 400);
        benchmark::DoNotOptimize(f);
        f.reset();
        state.SetIterationTime(bench::threadCpuSeconds() - start);
    }
}
BENCHMARK(BM_SyntheticPreviewFrameUpright)->UseManualTime();

// The full frame drawn for each picture.
void BM_SyntheticPictureFrame(benchmark::State& state) {
    ManualClock clock;
    SyntheticSource src(clock);
    for (auto _ : state) {
        clock.advance(0.5);
        ImageRef f = src.pictureFrame(DeviceOrientation::Portrait);
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_SyntheticPictureFrame)->UseRealTime()->Unit(benchmark::kMillisecond);

bench::GoalRegistrar previewGoal("camera.syntheticPreview30fpsShareOfCore", [](const bench::Results& r)
                                     -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_SyntheticPreviewFrameUpright/manual_time");
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * kFps * 100, 10, "%", false, "30 frames a second, thread CPU time"};
});

}  // namespace
