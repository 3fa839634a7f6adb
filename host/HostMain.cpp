#include "host/HostMain.h"

#include "host/device/HeadlessHost.h"
#include "host/device/Options.h"
#include "host/script/Script.h"
#include "host/device/SimulatedDevice.h"
#include "host/window/DisplayChoice.h"
#include "host/window/WaylandHost.h"
#include "host/window/WindowHost.h"
#include "platform/graphics/FontLibrary.h"

#include "platform/foundation/Bundle.h"

#include <cstdio>
#include <cstdlib>

namespace host {
namespace {

// A device without a screen looks as if it hangs: say what ends it and what gives it work.
std::string noDisplayLine(bool scripted) {
    const std::string line = "kestrova: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): ";
    if (scripted) return line + "running the script headless";
    return line + "running headless until Ctrl+C; --script FILE gives it work";
}

}  // namespace

int hostMain(const std::vector<std::string>& args) {
    auto report = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };

    auto parsed = Options::parse(args, [](const char* name) { return std::getenv(name); });
    if (parsed.help) {
        std::fputs(Options::usage().c_str(), stdout);
        return 0;
    }
    if (parsed.version) {
        // The application's version is its bundle's.
        auto bundle = SimulatedDevice::findBundle();
        if (!bundle) {
            report("kestrova: cannot find the application bundle beside the executable");
            return 2;
        }
        std::printf("kestrova %s\n", platform::Bundle(*bundle).version().c_str());
        return 0;
    }
    if (!parsed.options) {
        report("kestrova: " + parsed.error);
        return 2;
    }
    const Options& options = *parsed.options;

    // The whole script is read before anything starts, so a bad line costs nothing.
    std::optional<Script> script;
    if (options.script) {
        auto loaded = Script::load(*options.script);
        if (!loaded.script) {
            report(loaded.error);
            return 2;
        }
        script = std::move(loaded.script);
    }

    // Text is drawn only with our own fonts: without them the screen would not be ours.
    if (const auto& problem = platform::FontLibrary::shared().problem()) {
        report("kestrova: " + *problem);
        return 2;
    }

    if (!options.headless) {
        const Options::Getenv getenv = [](const char* name) { return std::getenv(name); };
        const auto server = DisplayChoice::choose(options.windowSystem, getenv);
        if (server != DisplayChoice::Server::None) {
            std::string why;
            if (server == DisplayChoice::Server::Wayland) {
                if (auto window = WaylandHost::open(options, &why)) return window->run(script, report);
            } else if (auto window = WindowHost::open(options, &why)) {
                return window->run(script, report);
            }
            report("kestrova: cannot open " + DisplayChoice::describe(server, getenv) + " (" + why + ")");
            return 1;
        }
        report(noDisplayLine(script.has_value()));
        // From here on the device is a headless one: no webcam probe, no desktop opener.
        Options headless = options;
        headless.headless = true;
        return HeadlessHost(headless, report).run(script);
    }
    return HeadlessHost(options, report).run(script);
}

}  // namespace host
