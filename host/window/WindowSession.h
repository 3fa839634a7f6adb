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

class WindowSession {
public:
    using Reporter = std::function<void(const std::string& line)>;

protected:
    ~WindowSession() = default;

    // The exit status: 0, 1 for a script command that could not be carried out, 2 when the
    // device cannot start. `scale` is the pixels per point at start; `waiter` the window's, or null.
    int runSession(const Options& options, double scale, platform::RunLoopWaiter* waiter,
                   const std::optional<Script>& script, const Reporter& report);

    // Called with the device once it is made, and with null before it goes.
    virtual void attach(SimulatedDevice* device) = 0;
    // One turn of the window's loop, waiting at most `maxWait` seconds (negative: until work).
    virtual void turn(double maxWait) = 0;
    // True once the window was closed or lost.
    virtual bool closed() const = 0;
    // An animation step changed what is on screen.
    virtual void animationTick() = 0;
};

}  // namespace host
