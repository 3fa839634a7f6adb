// Whole-application figures: the main thread's work from the shutter's lift to capturePhoto and
// for one frame of the live camera page, measured in process on the simulated device (manual
// clock, synthetic camera); and how soon the real kestrova's window is on the screen under Xvfb
// after the process starts.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"
#include "host/device/ScreenQuery.h"
#include "host/device/SimulatedDevice.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Touch.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;

double gWindowShownSeconds = -1;

size_t picturesIn(const fs::path& root) {
    size_t n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root / "var/mobile/Media/DCIM", ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->path().extension() == ".JPG") ++n;
    return n;
}

// Steps the virtual clock until the picture count reaches `count` (at most 5 s of real time),
// so the next shot starts with an empty queue.
void settle(host::SimulatedDevice& device, const fs::path& root, size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
        device.runLoop().runFor(0.1s);
    } while (picturesIn(root) < count && std::chrono::steady_clock::now() < deadline);
    device.runLoop().runFor(1s);
}

// The simulated device, headless on a manual clock, launched on a scratch device root that is
// removed afterwards. Says why on `state` when it cannot.
class LaunchedDevice {
public:
    explicit LaunchedDevice(benchmark::State& state) {
        char tmpl[] = "/tmp/kestrova-bench-XXXXXX";
        if (!mkdtemp(tmpl)) {
            state.SkipWithError("no scratch folder");
            return;
        }
        root_ = tmpl;
        host::Options options;
        options.headless = true;
        options.deviceRoot = root_;
        device_ = std::make_unique<host::SimulatedDevice>(options, clock_, [](const std::string&) {});
        std::string error;
        if (!device_->launch(&error)) {
            state.SkipWithError(error.c_str());
            device_.reset();
        }
    }
    ~LaunchedDevice() {
        if (device_) device_->terminate();
        device_.reset();
        std::error_code ec;
        if (!root_.empty()) fs::remove_all(root_, ec);
    }
    LaunchedDevice(const LaunchedDevice&) = delete;
    LaunchedDevice& operator=(const LaunchedDevice&) = delete;

    explicit operator bool() const { return device_ != nullptr; }
    host::SimulatedDevice& device() { return *device_; }
    platform::ManualClock& clock() { return clock_; }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
    platform::ManualClock clock_;
    std::unique_ptr<host::SimulatedDevice> device_;
};

void BM_LiftToCapturePhoto(benchmark::State& state) {
    LaunchedDevice launched(state);
    if (!launched) return;
    host::SimulatedDevice& device = launched.device();
    device.runLoop().runFor(2s);
    auto where = host::ScreenQuery(device.screen()).centerOfNamed("snapButton");
    if (!where) {
        state.SkipWithError("no shutter on the screen");
        return;
    }
    size_t taken = picturesIn(launched.root());
    for (auto _ : state) {
        state.PauseTiming();
        device.sendTouches({{0, platform::TouchPhase::Began, *where}});
        device.runLoop().runFor(0.05s);
        state.ResumeTiming();
        // The lift: the shutter asks the camera for a picture inside this event.
        device.sendTouches({{0, platform::TouchPhase::Ended, *where}});
        state.PauseTiming();
        settle(device, launched.root(), ++taken);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LiftToCapturePhoto)->Iterations(15)->Unit(benchmark::kMicrosecond);

// One frame of the live camera page as the window draws it, in process: the clock moves a
// thirtieth of a second, the run loop's timers fire, and the screen is composed into a
// window-sized buffer, only what changed. The main thread's CPU time a frame. The window
// (bench_host) sleeps between frames while other programs run, so its frames start with cold
// caches: the cold variant sweeps 64 MB between frames, untimed, and comes closer to what the
// window pays. The window's share of a core is about thirty times that plus what the window
// system costs.
void liveCameraPageFrames(benchmark::State& state, bool cold) {
    LaunchedDevice launched(state);
    if (!launched) return;
    host::SimulatedDevice& device = launched.device();
    const int w = 640, h = 960, stride = w * 4;
    std::vector<uint8_t> pixels(size_t(stride) * h);
    device.setScale(2);
    device.runLoop().runFor(3s);  // the camera page, its preview running
    device.compositeInto(pixels.data(), w, h, stride);
    std::vector<uint8_t> sweep(cold ? size_t(64) << 20 : 0);
    uint64_t drawn = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < sweep.size(); i += 64) ++sweep[i];
        const double start = bench::threadCpuSeconds();
        launched.clock().advance(1.0 / 30);
        device.runLoop().runDue();
        if (device.screen()->needsComposite()) {
            device.compositeInto(pixels.data(), w, h, stride);
            device.screen()->clearNeedsComposite();
            const auto d = device.lastCompositeDamage();
            drawn += uint64_t(d.width) * uint64_t(d.height);
        }
        state.SetIterationTime(bench::threadCpuSeconds() - start);
    }
    benchmark::DoNotOptimize(sweep.data());
    state.counters["pixels_per_frame"] = double(drawn) / double(std::max<int64_t>(1, state.iterations()));
}
void BM_LiveCameraPageFrame(benchmark::State& state) { liveCameraPageFrames(state, false); }
BENCHMARK(BM_LiveCameraPageFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);
void BM_LiveCameraPageFrameCold(benchmark::State& state) { liveCameraPageFrames(state, true); }
BENCHMARK(BM_LiveCameraPageFrameCold)->UseManualTime()->Iterations(1500)->Unit(benchmark::kMicrosecond);

// From the exec of kestrova until its window is visible (xdotool polls every 5 ms). The host
// prints no first-frame time of its own, so this is the nearest outside measure.
void BM_WindowShownAfterStart(benchmark::State& state) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0) {
        state.SkipWithError("xvfb-run or xdotool is not installed");
        return;
    }
    for (auto _ : state) {
        std::ostringstream cmd;
        cmd << bench::xvfbRun() << " sh -c 'root=$(mktemp -d); t0=$(date +%s%N); " << KESTROVA_BINARY
            << " --device-root \"$root\" >/dev/null 2>&1 & pid=$!; n=0; "
               "while ! xdotool search --onlyvisible --name \"^Kestrova$\" >/dev/null 2>&1 && [ $n -lt 2000 ]; do "
               "sleep 0.005; n=$((n+1)); done; t1=$(date +%s%N); kill -TERM $pid; wait $pid; rm -rf \"$root\"; "
               "echo $((t1-t0))'";
        std::istringstream in(bench::runShell(cmd.str()));
        long long ns = 0;
        if (!(in >> ns) || ns <= 0) {
            state.SkipWithError("could not see the window");
            return;
        }
        gWindowShownSeconds = double(ns) * 1e-9;
        state.SetIterationTime(gWindowShownSeconds);
    }
}
BENCHMARK(BM_WindowShownAfterStart)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

bench::GoalRegistrar liftGoal("session.liftToCapturePhotoMainThread", [](const bench::Results& r)
                                  -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_LiftToCapturePhoto/iterations:15");
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * 1e3, 1.0, "ms", false, "the lift event's whole dispatch"};
});
bench::GoalRegistrar shownGoal("session.firstFrameWindowShown", [](const bench::Results& r)
                                   -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_WindowShownAfterStart/iterations:3/manual_time");
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * 1e3, 300.0, "ms", false, "process start to window visible under Xvfb"};
});

}  // namespace
