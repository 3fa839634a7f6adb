// PipeWire cameras, 1280 x 720 at 30 frames a second, published by GStreamer on a private
// PipeWire and WirePlumber:
//  - the camera alone: PipeWire's thread receiving and converting each frame and the main
//    thread taking it, as this process's CPU time over five seconds of wall time. Goals: YUY2
//    at most 4 % of a core, MJPG at most 8 %.
//  - the live camera page of the real kestrova window under Xvfb (no camera option: it takes
//    the PipeWire camera), the run time of its threads read from /proc. Goal: at most 3 %.
#include "bench/support/Goal.h"
#include "bench/support/Reference.h"
#include "bench/support/WindowShare.h"

#include "platform/camera/PipeWireSource.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "tests/support/PipeWireCamera.h"
#include "tests/support/PipeWireDaemon.h"
#include "tests/support/TestEnv.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <sstream>

using namespace platform;

namespace {

constexpr double kSeconds = 5;

std::vector<double> gYuy2, gMjpg, gWindow;

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// A daemon with an audio output and one camera in `format`; false (and the benchmark skipped)
// when any of it is missing.
bool startDesktop(benchmark::State& state, testenv::PipeWireDaemon& pw, testenv::PipeWireCamera& cam,
                  const std::string& format) {
    if (!pw.start() || !pw.createNullSink()) {
        state.SkipWithError(("no PipeWire: " + pw.error()).c_str());
        return false;
    }
    if (!cam.start(pw, {.name = "bench-camera", .format = format})) {
        state.SkipWithError(cam.error().c_str());
        return false;
    }
    return true;
}

void cameraShare(benchmark::State& state, const std::string& format, std::vector<double>* shares) {
    testenv::PipeWireDaemon pw;
    testenv::PipeWireCamera cam;
    if (!startDesktop(state, pw, cam, format)) return;
    unsetenv("PIPEWIRE_REMOTE");
    for (const auto& [name, value] : pw.environment()) setenv(name.c_str(), value.c_str(), 1);
    SystemClock clock;
    RunLoop loop(clock);
    std::string error;
    auto src = PipeWireSource::open("", loop, &error);
    if (!src) {
        state.SkipWithError(error.c_str());
        return;
    }
    // Streaming first, then measured.
    loop.runUntil([&] { return src->framesDelivered() > 10; }, std::chrono::seconds(10));
    for (auto _ : state) {
        const uint64_t frames = src->framesDelivered();
        const double cpu = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        loop.runFor(std::chrono::duration<double>(kSeconds));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double share = (processCpuSeconds() - cpu) / wall;
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = share * 100;
        state.counters["fps"] = double(src->framesDelivered() - frames) / wall;
        if (src->framesDelivered() - frames < uint64_t(wall * 20)) {
            state.SkipWithError("the camera delivered fewer than 20 frames a second");
            return;
        }
        shares->push_back(share);
    }
}

void BM_PipeWireCameraYuy2(benchmark::State& state) { cameraShare(state, "YUY2", &gYuy2); }
BENCHMARK(BM_PipeWireCameraYuy2)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
void BM_PipeWireCameraMjpg(benchmark::State& state) { cameraShare(state, "MJPG", &gMjpg); }
BENCHMARK(BM_PipeWireCameraMjpg)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// The window's threads' run time over kSeconds after it settled, on the daemon with its camera.
void BM_PipeWireCameraWindowCpu(benchmark::State& state) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
        state.SkipWithError("xvfb-run is not installed");
        return;
    }
    testenv::PipeWireDaemon pw;
    testenv::PipeWireCamera cam;
    if (!startDesktop(state, pw, cam, "YUY2")) return;
    // The machine's own sound server must not be reachable by another way.
    std::string prelude = "unset PIPEWIRE_REMOTE PULSE_SERVER DBUS_SESSION_BUS_ADDRESS; ";
    for (const auto& [name, value] : pw.environment()) prelude += "export " + name + "=" + testenv::shellQuote(value) + "; ";
    bench::recordShare(state, &gWindow, [&](double* wall) { return bench::windowCpuShare("", 4, kSeconds, wall, prelude); });
}
BENCHMARK(BM_PipeWireCameraWindowCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

bench::GoalRegistrar yuy2Goal("camera.pipeWireYuy2720p30fpsShareOfCore", [](const bench::Results&)
                                  -> std::optional<bench::GoalLine> {
    if (gYuy2.empty()) return std::nullopt;
    return bench::GoalLine{bench::median(gYuy2) * 100, 4, "%", false, "process CPU time, the camera alone"};
});
bench::GoalRegistrar mjpgGoal("camera.pipeWireMjpg720p30fpsShareOfCore", [](const bench::Results&)
                                  -> std::optional<bench::GoalLine> {
    if (gMjpg.empty()) return std::nullopt;
    return bench::GoalLine{bench::median(gMjpg) * 100, 8, "%", false, "process CPU time, the camera alone"};
});
bench::GoalRegistrar windowGoal("live camera window CPU with a PipeWire camera", [](const bench::Results&)
                                    -> std::optional<bench::GoalLine> {
    if (gWindow.empty()) return std::nullopt;
    return bench::GoalLine{bench::median(gWindow) * 100, 3, "%", false,
                           "camera page, YUY2 720p at 30 frames a second, median of " +
                               std::to_string(gWindow.size()) + " runs"};
});

}  // namespace
