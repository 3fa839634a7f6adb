// The live preview's cost: the synthetic camera drawing a 400 x 320 frame for the portrait
// device and the view turning it upright, at 30 frames a second; and a full picture frame.
#include "bench/support/Goal.h"

#include "platform/camera/SensorFrame.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/Clock.h"

#include <benchmark/benchmark.h>

#include <ctime>

using namespace platform;

namespace {

constexpr double kFps = 30;

// This thread's CPU time: the share of a core does not depend on what else the machine runs.
double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

// One live frame as the preview view gets it: the sensor frame, turned upright for the screen,
// timed in CPU time.
void BM_SyntheticPreviewFrameUpright(benchmark::State& state) {
    ManualClock clock;
    SyntheticSource src(clock);
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        clock.advance(1 / kFps);
        ImageRef f = SensorFrame::forPortraitScreen(src.previewFrame(1));
        benchmark::DoNotOptimize(f);
        f.reset();
        state.SetIterationTime(threadCpuSeconds() - start);
    }
}
BENCHMARK(BM_SyntheticPreviewFrameUpright)->UseManualTime();

// The full frame drawn for each picture.
void BM_SyntheticPictureFrame(benchmark::State& state) {
    ManualClock clock;
    SyntheticSource src(clock);
    for (auto _ : state) {
        clock.advance(0.5);
        ImageRef f = src.pictureFrame(1);
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
