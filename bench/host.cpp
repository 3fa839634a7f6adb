// An idle window's CPU use: the real kestrova under Xvfb, left alone for a few seconds after
// start-up, its user + system time read from /proc/<pid>/stat. Goal: under 2 % of one core.
#include "bench/support/Goal.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

double gIdleShare = -1;  // CPU seconds per wall second while idle; negative: not measured

std::string runShell(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    pclose(p);
    return out;
}

void BM_IdleWindowCpu(benchmark::State& state) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
        state.SkipWithError("xvfb-run is not installed");
        return;
    }
    const long ticks = sysconf(_SC_CLK_TCK);
    const double idleSeconds = 5;
    for (auto _ : state) {
        // Two seconds to start and settle, then the idle stretch; ticks are fields 14 and 15.
        std::ostringstream cmd;
        cmd << "root=$(mktemp -d); xvfb-run -a sh -c '" << KESTROVA_BINARY
            << " --scale 2 --device-root \"$0\" >/dev/null 2>&1 & pid=$!; sleep 2; "
               "a=$(cut -d\" \" -f14,15 /proc/$pid/stat); t0=$(date +%s.%N); sleep "
            << idleSeconds
            << "; b=$(cut -d\" \" -f14,15 /proc/$pid/stat); t1=$(date +%s.%N); kill -TERM $pid; wait $pid; "
               "echo $a $b $t0 $t1' \"$root\"; rm -rf \"$root\"";
        std::istringstream in(runShell(cmd.str()));
        long u0 = 0, s0 = 0, u1 = 0, s1 = 0;
        double t0 = 0, t1 = 0;
        if (!(in >> u0 >> s0 >> u1 >> s1 >> t0 >> t1) || t1 <= t0) {
            state.SkipWithError("could not read the window's CPU time");
            return;
        }
        gIdleShare = double((u1 + s1) - (u0 + s0)) / double(ticks) / (t1 - t0);
        state.SetIterationTime(t1 - t0);
    }
    state.counters["cpu_percent"] = gIdleShare * 100;
}
BENCHMARK(BM_IdleWindowCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

bench::GoalRegistrar idleGoal("idle window CPU", [](const bench::Results&) -> std::optional<bench::GoalLine> {
    if (gIdleShare < 0) return std::nullopt;
    bench::GoalLine g;
    g.measured = gIdleShare * 100;
    g.limit = 2;
    g.unit = "%";
    return g;
});

}  // namespace
