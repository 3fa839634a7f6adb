#pragma once
// The device's log of platform events that leave no other trace ("sound shutter",
// "notify com.apple.language.changed", "launch …", "open-url …", "volume Ringtone 0.5625",
// "terminate"). Each line is written as "<seconds since start, 3 decimals> <text>". Any thread.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

class Clock;

class EventLog {
public:
    using Sink = std::function<void(const std::string& line)>;

    // Where lines go and which clock stamps them; until set, lines are only kept in memory.
    static void configure(const Clock* clock, Sink sink);
    static void log(const std::string& text);
    // Every line logged since the last clear (text only, without the time), for tests.
    static std::vector<std::string> lines();
    static void clear();

private:
    static std::mutex& mutex();
};

}  // namespace platform
