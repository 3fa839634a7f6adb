#include "bench/support/WindowShare.h"

#include "bench/support/Reference.h"

#include <algorithm>
#include <sstream>

namespace bench {

std::string measureLines(double settle, double seconds) {
    std::ostringstream cmd;
    cmd << "cpu() { s=0; for f in /proc/$pid/task/*/schedstat; do read t w n < $f && s=$((s + t)); done; echo $s; }; "
        << "sleep " << settle << "; a=$(cpu); t0=$(date +%s.%N); sleep " << seconds
        << "; b=$(cpu); t1=$(date +%s.%N); kill -TERM $pid; wait $pid; echo $a $b $t0 $t1";
    return cmd.str();
}

double shareFrom(const std::string& out, double* wall) {
    std::istringstream in(out);
    long long a = 0, b = 0;
    double t0 = 0, t1 = 0;
    // The program has run for seconds by then: nothing at all means it never started.
    if (!(in >> a >> b >> t0 >> t1) || t1 <= t0 || b < a || a == 0) return -1;
    *wall = t1 - t0;
    return double(b - a) * 1e-9 / (t1 - t0);
}

double windowCpuShare(const std::string& script, double settle, double seconds, double* wall,
                      const std::string& prelude) {
    std::ostringstream cmd;
    cmd << prelude << "root=$(mktemp -d); printf '%b' '" << script << "' > \"$root/bench.script\"; "
        << xvfbRun() << " sh -c '" << KESTROVA_BINARY << " --scale 2 --device-root \"$0/device\" "
        << (script.empty() ? "" : "--script \"$0/bench.script\" ") << ">/dev/null 2>&1 & pid=$!; "
        << measureLines(settle, seconds) << "' \"$root\"; rm -rf \"$root\"";
    return shareFrom(runShell(cmd.str()), wall);
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace bench
