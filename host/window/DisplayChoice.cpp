#include "host/window/DisplayChoice.h"

namespace host {
namespace {

std::string setOrEmpty(const DisplayChoice::Getenv& getenv, const char* name) {
    const char* v = getenv(name);
    return v ? v : "";
}

}  // namespace

std::optional<DisplayChoice> DisplayChoice::fromEnvironment(const Getenv& getenv) {
    const std::string x = setOrEmpty(getenv, "DISPLAY"), wayland = setOrEmpty(getenv, "WAYLAND_DISPLAY");
    if (x.empty() && wayland.empty()) return std::nullopt;
    // Named, never guessed: a driver that fails must not hand over to SDL's next one, the last
    // of which draws off screen.
    if (const std::string asked = setOrEmpty(getenv, "SDL_VIDEODRIVER"); !asked.empty())
        return DisplayChoice{asked, "the SDL video driver \"" + asked + "\""};
    if (!x.empty()) return DisplayChoice{"x11", "the X11 display \"" + x + "\""};
    return DisplayChoice{"wayland", "the Wayland display \"" + wayland + "\""};
}

}  // namespace host
