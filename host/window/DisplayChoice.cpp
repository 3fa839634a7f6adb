#include "host/window/DisplayChoice.h"

#include <string>

namespace host {
namespace {

bool set(const char* value) { return value && *value; }

}  // namespace

DisplayChoice::Server DisplayChoice::choose(WindowSystem asked, const Options::Getenv& getenv) {
    if (asked == WindowSystem::Wayland) return Server::Wayland;
    if (asked == WindowSystem::X11) return Server::X11;
    // No display named at all: a headless device, whatever driver the environment asks for.
    if (!set(getenv("WAYLAND_DISPLAY")) && !set(getenv("DISPLAY"))) return Server::None;
    if (const char* driver = getenv("SDL_VIDEODRIVER"); set(driver)) {
        const std::string first = std::string(driver).substr(0, std::string(driver).find(','));
        if (first == "wayland") return Server::Wayland;
        if (first == "x11") return Server::X11;
    }
    if (set(getenv("WAYLAND_DISPLAY"))) return Server::Wayland;
    if (set(getenv("DISPLAY"))) return Server::X11;
    return Server::None;
}

std::string DisplayChoice::describe(Server server, const Options::Getenv& getenv) {
    auto named = [&](const char* name) {
        const char* v = getenv(name);
        return std::string("\"") + (v ? v : "") + "\"";
    };
    switch (server) {
        case Server::Wayland: return "the Wayland display " + named("WAYLAND_DISPLAY");
        case Server::X11: return "the X11 display " + named("DISPLAY");
        case Server::None: break;
    }
    return "no display";
}

}  // namespace host
