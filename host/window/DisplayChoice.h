#pragma once
// Which window system the window host tries, read from the environment. None at all (neither
// DISPLAY nor WAYLAND_DISPLAY) means a headless device; a display that is named but cannot be
// opened is an error the user must see, never a reason to draw where nobody looks.
#include <functional>
#include <optional>
#include <string>

namespace host {

struct DisplayChoice {
    // The SDL video driver to start ("x11", "wayland", or what SDL_VIDEODRIVER names).
    std::string driver;
    // What is tried, for the line that says it failed: `the X11 display ":77"`.
    std::string description;

    using Getenv = std::function<const char*(const char*)>;
    // SDL_VIDEODRIVER picks the driver when set; otherwise X11 when DISPLAY is set, else Wayland.
    // Nothing when neither DISPLAY nor WAYLAND_DISPLAY is set.
    static std::optional<DisplayChoice> fromEnvironment(const Getenv& getenv);
};

}  // namespace host
