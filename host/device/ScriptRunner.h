#pragma once
// Runs a parsed script against the device, one command after another, on the device's run loop.
// With a manual clock `wait` and every gesture's timing cost no real time.
#include "host/script/Script.h"

#include "platform/foundation/Geometry.h"

#include <functional>
#include <optional>
#include <string>

namespace host {

class SimulatedDevice;

class ScriptRunner {
public:
    // Problems found while running ("no view named @x") go to `report`, one line each.
    using Reporter = std::function<void(const std::string& line)>;
    // Moves the device's time on by some seconds; by default the run loop's runFor. The window
    // host passes its own, which keeps the window drawn and its input read meanwhile.
    using Advance = std::function<void(double seconds)>;
    ScriptRunner(SimulatedDevice& device, Reporter report, Advance advance = {});

    // Runs every command, then quits the application if the script did not. Returns 0, or 1 when a
    // command could not be carried out (the rest of the script is skipped and the app still quits).
    int run(const Script& script);

    // Finger timings: a tap lifts 0.05 s after it lands; drags and pinches move at 60 steps a second.
    static constexpr double kTapSeconds = 0.05;
    static constexpr double kStepsPerSecond = 60;

private:
    enum class Outcome { Done, Failed };
    Outcome execute(const ScriptCommand& c, std::string& message);

    void tapAt(platform::Point p, int finger);
    void hold(platform::Point p, int finger, double seconds);
    void drag(const ScriptCommand& c);
    void pinch(const ScriptCommand& c);
    Outcome screenshot(const std::string& file, std::string& message);

    void advance(double seconds);

    SimulatedDevice& device_;
    Reporter report_;
    Advance advance_;
};

}  // namespace host
