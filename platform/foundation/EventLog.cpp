#include "platform/foundation/EventLog.h"

#include "platform/foundation/Clock.h"

#include <cstdio>

namespace platform {
namespace {
const Clock* gClock = nullptr;
EventLog::Sink gSink;
std::vector<std::string> gLines;
}  // namespace

std::mutex& EventLog::mutex() {
    static std::mutex m;
    return m;
}

void EventLog::configure(const Clock* clock, Sink sink) {
    std::lock_guard lk(mutex());
    gClock = clock;
    gSink = std::move(sink);
}

void EventLog::log(const std::string& text) {
    std::lock_guard lk(mutex());
    gLines.push_back(text);
    if (gSink) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.3f ", gClock ? gClock->now() : 0.0);
        gSink(stamp + text);
    }
}

std::vector<std::string> EventLog::lines() {
    std::lock_guard lk(mutex());
    return gLines;
}

void EventLog::clear() {
    std::lock_guard lk(mutex());
    gLines.clear();
}

}  // namespace platform
