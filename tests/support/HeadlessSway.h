#pragma once
// A real headless sway for a test, started by start() and stopped with the object. sway will not
// run as root: as root it runs as the unprivileged user "kestrova-wayland" (made on first use),
// with a runtime folder of its own. Clients, root or not, reach it through the socket's full
// path in WAYLAND_DISPLAY.
#include "tests/support/TestEnv.h"

#include <memory>
#include <string>

namespace testenv {

class HeadlessSway {
public:
    // Null, with the reason, when sway is not installed or does not come up. One output,
    // HEADLESS-1, of `resolution` pixels; every window floats at the size it asks for.
    static std::unique_ptr<HeadlessSway> start(std::string* why, const std::string& resolution = "1920x1080");
    ~HeadlessSway();

    // Environment assignments for a shell command line: WAYLAND_DISPLAY and SWAYSOCK.
    std::string env() const;
    // swaymsg with these (shell) arguments.
    CommandResult swaymsg(const std::string& args) const;
    // Gives the seat a pointer and a keyboard for as long as the compositor runs, through the
    // tests' virtual input client (`virtualInput`, its `hold` command). False when it fails.
    bool holdInputDevices(const std::string& virtualInput);

private:
    HeadlessSway() = default;
    std::string runtimeDir_, display_, ipc_;
    long pid_ = 0;
    long holderPid_ = 0;
};

}  // namespace testenv
