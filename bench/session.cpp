// Whole-application figures: the main thread's work from the shutter's lift to capturePhoto,
// measured in process on the simulated device (manual clock, synthetic camera); and how soon the
// real kestrova's window is on the screen under Xvfb after the process starts.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"
#include "host/device/ScreenQuery.h"
#include "host/device/SimulatedDevice.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Touch.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

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

void BM_LiftToCapturePhoto(benchmark::State& state) {
    char tmpl[] = "/tmp/kestrova-bench-XXXXXX";
    if (!mkdtemp(tmpl)) {
        state.SkipWithError("no scratch folder");
        return;
    }
    const fs::path root = tmpl;
    {
        host::Options options;
        options.headless = true;
        options.deviceRoot = root;
        platform::ManualClock clock;
        host::SimulatedDevice device(options, clock, [](const std::string&) {});
        std::string error;
        if (!device.launch(&error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        device.runLoop().runFor(2s);
        auto where = host::ScreenQuery(device.screen()).centerOfNamed("snapButton");
        if (!where) {
            state.SkipWithError("no shutter on the screen");
            return;
        }
        size_t taken = picturesIn(root);
        for (auto _ : state) {
            state.PauseTiming();
            device.sendTouches({{0, platform::TouchPhase::Began, *where}});
            device.runLoop().runFor(0.05s);
            state.ResumeTiming();
            // The lift: the shutter asks the camera for a picture inside this event.
            device.sendTouches({{0, platform::TouchPhase::Ended, *where}});
            state.PauseTiming();
            settle(device, root, ++taken);
            state.ResumeTiming();
        }
        device.terminate();
    }
    std::error_code ec;
    fs::remove_all(root, ec);
}
BENCHMARK(BM_LiftToCapturePhoto)->Iterations(15)->Unit(benchmark::kMicrosecond);

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
