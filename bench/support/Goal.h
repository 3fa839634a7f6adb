#pragma once
// Goals checked after a benchmark executable has run its benchmarks. Each goal reads the
// measured results (median real time per benchmark, in seconds) and reports one line:
//   GOAL <name> <measured> <limit> ok|MISSED
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace bench {

struct Results {
    std::map<std::string, double> seconds;  // benchmark name -> median (or mean) real time, s
    std::optional<double> get(const std::string& name) const;
};

struct GoalLine {
    double measured = 0;
    double limit = 0;
    std::string unit;           // printed after both numbers, e.g. "ms", "x", "calls/s"
    bool higherIsBetter = false;
    std::string note;           // optional extra words, e.g. the ratio to a reference
};

// Registers a goal; the function returns nothing when its benchmarks did not run.
void addGoal(const std::string& name, std::function<std::optional<GoalLine>(const Results&)> fn);

// Registers at static-initialisation time: static bench::GoalRegistrar g("name", fn);
struct GoalRegistrar {
    GoalRegistrar(const std::string& name, std::function<std::optional<GoalLine>(const Results&)> fn) {
        addGoal(name, std::move(fn));
    }
};

}  // namespace bench
