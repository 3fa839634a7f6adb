#pragma once
// The device without a window or sound. With a script, time is virtual: the clock is a manual
// one that only the script moves. Without one, the application runs in real time until the
// process is told to stop (Ctrl+C, SIGTERM).
#include "host/device/Options.h"
#include "host/script/Script.h"

#include <functional>
#include <optional>
#include <string>

namespace host {

class HeadlessHost {
public:
    using Reporter = std::function<void(const std::string& line)>;
    HeadlessHost(const Options& options, Reporter report);

    // Runs the application (and the script, if any) and returns the exit status: 0, 1 when a
    // script command failed, 2 when the device could not start.
    int run(const std::optional<Script>& script);

private:
    Options options_;
    Reporter report_;
};

}  // namespace host
