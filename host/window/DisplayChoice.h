#pragma once
// Which window system the window goes to. In a Wayland session (WAYLAND_DISPLAY set) the native
// Wayland window, even where DISPLAY is set too (Xwayland beside it would show the window blown
// up and soft); X11 where only DISPLAY is set; none (headless) where neither is. --window-system
// wayland|x11, else SDL_VIDEODRIVER=wayland|x11 (the first of its list), picks one outright. A
// display that is named but cannot be opened is an error the user must see, never a reason to
// draw where nobody looks.
#include "host/device/Options.h"

#include <string>

namespace host {

class DisplayChoice {
public:
    enum class Server { None, Wayland, X11 };
    static Server choose(WindowSystem asked, const Options::Getenv& getenv);
    // What was tried, for the line that says it failed: `the X11 display ":77"`.
    static std::string describe(Server server, const Options::Getenv& getenv);
};

}  // namespace host
