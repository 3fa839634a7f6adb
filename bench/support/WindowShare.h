#pragma once
// Measuring a running program's share of a core from the outside: the scheduler's run time of
// each of its threads (nanoseconds, /proc/<pid>/task/*/schedstat). The user and system times of
// /proc/<pid>/stat come in 10 ms ticks, which over a few seconds cannot tell 0.8 % from 1 %.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench {

// Shell lines that measure the process $pid: its threads' run time over `seconds` after `settle`,
// echoed as "<before> <after> <t0> <t1>"; then it is ended (SIGTERM) and waited for.
std::string measureLines(double settle, double seconds);

// The share of a core from what measureLines echoed, the measured wall time into `wall`;
// negative when the output is not a reading of a program that ran.
double shareFrom(const std::string& out, double* wall);

// Starts the kestrova window (--scale 2) under Xvfb with `script` (may be empty), lets it settle
// for `settle` seconds, then measures `seconds`. `prelude`: shell lines run first, in the same
// shell (the window inherits what they export). The share of one core, or negative when it could
// not be read.
double windowCpuShare(const std::string& script, double settle, double seconds, double* wall,
                      const std::string& prelude = "");

// The median; -1 for none.
double median(std::vector<double> values);

// Runs `measure` once an iteration (it gives the share of a core and sets the wall time) and keeps
// the last share; a reading that fails skips the benchmark.
template <typename Measure>
void recordShare(benchmark::State& state, std::vector<double>* shares, Measure measure) {
    double share = -1;
    for (auto _ : state) {
        double wall = 0;
        share = measure(&wall);
        if (share < 0) {
            state.SkipWithError("could not read the window's CPU time");
            return;
        }
        state.SetIterationTime(wall);
    }
    shares->push_back(share);
    state.counters["cpu_percent"] = share * 100;
}

}  // namespace bench
