#include "bench/support/Goal.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace bench {
namespace {

struct Entry {
    std::string name;
    std::function<std::optional<GoalLine>(const Results&)> fn;
};
std::vector<Entry>& goals() {
    static std::vector<Entry> g;
    return g;
}

// Keeps every run's real time per iteration; aggregates (median) override plain runs.
class CapturingReporter : public benchmark::ConsoleReporter {
public:
    Results results;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            std::string name = r.run_name.str();
            double perIter = r.GetAdjustedRealTime();  // in r.time_unit
            double scale = 1e-9;
            switch (r.time_unit) {
                case benchmark::kNanosecond: scale = 1e-9; break;
                case benchmark::kMicrosecond: scale = 1e-6; break;
                case benchmark::kMillisecond: scale = 1e-3; break;
                case benchmark::kSecond: scale = 1; break;
            }
            if (r.run_type == Run::RT_Aggregate) {
                if (r.aggregate_name == "median") results.seconds[name] = perIter * scale;
            } else if (!results.seconds.count(name)) {
                results.seconds[name] = perIter * scale;
            }
        }
    }
};

}  // namespace

std::optional<double> Results::get(const std::string& name) const {
    auto it = seconds.find(name);
    if (it == seconds.end()) return std::nullopt;
    return it->second;
}

void addGoal(const std::string& name, std::function<std::optional<GoalLine>(const Results&)> fn) {
    goals().push_back({name, std::move(fn)});
}

}  // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::CapturingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const auto& g : bench::goals()) {
        auto line = g.fn(reporter.results);
        if (!line) continue;
        bool ok = line->higherIsBetter ? line->measured >= line->limit : line->measured <= line->limit;
        std::printf("GOAL %s %.4g%s %.4g%s %s%s%s\n", g.name.c_str(), line->measured, line->unit.c_str(),
                    line->limit, line->unit.c_str(), ok ? "ok" : "MISSED",
                    line->note.empty() ? "" : "  # ", line->note.c_str());
    }
    return 0;
}
