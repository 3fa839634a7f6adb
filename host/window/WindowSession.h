#pragma once
// What both windows (X11 and Wayland) do around their own event loop: the event log, the device
// on the system clock, the sounds' output opened in the background, Ctrl+C and SIGTERM turned into
// termination, the application launched, and a script run in real time or the window run until
// the application ends. The window supplies how one turn of its loop goes.
#include "host/device/Options.h"
#include "host/script/Script.h"

#include <functional>
#include <optional>
#include <string>

namespace platform {
class RunLoopWaiter;
}

namespace host {

class SimulatedDevice;

struct WindowSession {
    using Reporter = std::function<void(const std::string& line)>;

    double scale = 2;                        // pixels per point at start
    platform::RunLoopWaiter* waiter = nullptr;  // the window's; may be null
    // Called with the device once it is made, and with null before it goes.
    std::function<void(SimulatedDevice* device)> attach;
    // One turn of the window's loop, waiting at most `maxWait` seconds (negative: until work).
    std::function<void(double maxWait)> turn;
    // True once the window was closed or lost.
    std::function<bool()> closed;
    // An animation step changed what is on screen.
    std::function<void()> animationTick;

    // The exit status: 0, 1 for a script command that could not be carried out, 2 when the
    // device cannot start.
    int run(const Options& options, const std::optional<Script>& script, const Reporter& report) const;
};

}  // namespace host
