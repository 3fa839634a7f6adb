#include "platform/ui/Transition.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {
// A cubic Bézier timing curve through (0,0), (x1,y1), (x2,y2), (1,1): solve x(s) = t, return y(s).
double cubicBezier(double x1, double y1, double x2, double y2, double t) {
    auto bez = [](double p1, double p2, double s) {
        double u = 1 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    auto dbez = [](double p1, double p2, double s) {
        double u = 1 - s;
        return 3 * u * u * p1 + 6 * u * s * (p2 - p1) + 3 * s * s * (1 - p2);
    };
    double s = t;
    for (int i = 0; i < 8; ++i) {  // Newton steps, then bisection if the slope is flat
        double x = bez(x1, x2, s) - t;
        if (std::fabs(x) < 1e-7) return bez(y1, y2, s);
        double d = dbez(x1, x2, s);
        if (std::fabs(d) < 1e-6) break;
        s = std::clamp(s - x / d, 0.0, 1.0);
    }
    double lo = 0, hi = 1;
    s = t;
    for (int i = 0; i < 40; ++i) {
        double x = bez(x1, x2, s);
        if (std::fabs(x - t) < 1e-7) break;
        if (x < t) lo = s; else hi = s;
        s = (lo + hi) / 2;
    }
    return bez(y1, y2, s);
}
}  // namespace

double evaluateTimingFunction(TimingFunction f, double t) {
    t = std::clamp(t, 0.0, 1.0);
    switch (f) {
        case TimingFunction::Linear: return t;
        case TimingFunction::EaseIn: return cubicBezier(0.42, 0, 1, 1, t);
        case TimingFunction::EaseOut: return cubicBezier(0, 0, 0.58, 1, t);
        case TimingFunction::EaseInEaseOut: return cubicBezier(0.42, 0, 0.58, 1, t);
    }
    return t;
}

double Transition::progressAt(double fraction) const { return evaluateTimingFunction(timing, fraction); }

}  // namespace platform
