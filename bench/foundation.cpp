// Run loop posting throughput and the cost of loading the standard defaults.
#include "bench/support/Goal.h"

#include "platform/foundation/FileManager.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace platform;

namespace {

constexpr int kPostsPerBatch = 1000;

// Posts a batch of calls, then drains them: the path every worker-to-main hand-off takes.
void BM_PostAndDrain(benchmark::State& state) {
    ManualClock clock;
    RunLoop loop(clock);
    int64_t calls = 0;
    for (auto _ : state) {
        for (int i = 0; i < kPostsPerBatch; ++i) loop.post([&calls] { ++calls; });
        loop.runDue();
    }
    if (calls != int64_t(state.iterations()) * kPostsPerBatch) state.SkipWithError("posts lost");
    state.SetItemsProcessed(calls);
}
BENCHMARK(BM_PostAndDrain);

// A device root with the application's twelve settings, as the app saves them.
class DefaultsFixture {
public:
    DefaultsFixture() {
        char tmpl[] = "/tmp/kestrova-bench-XXXXXX";
        root_ = mkdtemp(tmpl) ? tmpl : "";
        files_.emplace(root_);
        UserDefaults d(*files_, "org.kestrova.camera");
        const char* keys[] = {"ColorMode", "TimerMode", "LevelerMode", "QuietMode", "ImageSize", "BurstMode",
                              "PreviewState", "TouchRingSize", "ZoomMode", "RotateMode", "OptionsBarPageNumber"};
        int v = 0;
        for (const char* k : keys) d.setInteger(v++ % 3, k);
        d.setBool(true, "OptionsBarHidden");
        ok_ = !root_.empty() && d.synchronize();
    }
    ~DefaultsFixture() {
        std::error_code ec;
        if (!root_.empty()) std::filesystem::remove_all(root_, ec);
    }
    bool ok() const { return ok_; }
    const FileManager& files() const { return *files_; }

private:
    std::filesystem::path root_;
    std::optional<FileManager> files_;
    bool ok_ = false;
};

void BM_LoadStandardDefaults(benchmark::State& state) {
    DefaultsFixture fixture;
    if (!fixture.ok()) {
        state.SkipWithError("could not write the defaults file");
        return;
    }
    for (auto _ : state) {
        UserDefaults d(fixture.files(), "org.kestrova.camera");
        benchmark::DoNotOptimize(d.integerForKey("OptionsBarPageNumber"));
        if (!d.boolForKey("OptionsBarHidden")) state.SkipWithError("defaults not read");
    }
}
BENCHMARK(BM_LoadStandardDefaults)->Unit(benchmark::kMicrosecond);

bench::GoalRegistrar postGoal("foundation_post_and_drain", [](const bench::Results& r) -> std::optional<bench::GoalLine> {
    auto s = r.get("BM_PostAndDrain");
    if (!s || *s <= 0) return std::nullopt;
    bench::GoalLine g;
    g.measured = kPostsPerBatch / *s;
    g.limit = 1e6;
    g.unit = "calls/s";
    g.higherIsBetter = true;
    return g;
});

bench::GoalRegistrar loadGoal("foundation_load_defaults_12_keys", [](const bench::Results& r) -> std::optional<bench::GoalLine> {
    auto s = r.get("BM_LoadStandardDefaults");
    if (!s) return std::nullopt;
    bench::GoalLine g;
    g.measured = *s * 1e3;
    g.limit = 1.0;
    g.unit = "ms";
    return g;
});

}  // namespace
