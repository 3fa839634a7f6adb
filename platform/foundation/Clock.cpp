#include "platform/foundation/Clock.h"

#include <chrono>

namespace platform {
namespace {
double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

SystemClock::SystemClock() : origin_(monotonicSeconds()) {}
double SystemClock::now() const { return monotonicSeconds() - origin_; }

}  // namespace platform
