#include "host/device/Options.h"

#include "host/device/EnvironmentLanguage.h"
#include "host/script/NumberParser.h"

#include <algorithm>
#include <iterator>

namespace host {
namespace {

Options::Result failure(std::string message) {
    Options::Result r;
    r.error = std::move(message);
    return r;
}

std::string inQuotes(const std::string& s) { return "'" + s + "'"; }

std::optional<std::string> parseCamera(const std::string& v, CameraChoice& out) {
    if (v == "auto") {
        out = {CameraChoice::Kind::Auto, {}};
        return std::nullopt;
    }
    if (v == "synthetic") {
        out = {CameraChoice::Kind::Synthetic, {}};
        return std::nullopt;
    }
    if (v.rfind("images:", 0) == 0 && v.size() > 7) {
        out = {CameraChoice::Kind::Images, v.substr(7)};
        return std::nullopt;
    }
    if (v.rfind("v4l2:", 0) == 0 && v.size() > 5) {
        out = {CameraChoice::Kind::V4L2, v.substr(5)};
        return std::nullopt;
    }
    if (v == "pipewire" || (v.rfind("pipewire:", 0) == 0 && v.size() > 9)) {
        out = {CameraChoice::Kind::PipeWire, v.size() > 9 ? v.substr(9) : ""};
        return std::nullopt;
    }
    return "expected auto, synthetic, images:DIR, v4l2:/dev/videoN or pipewire[:NAME], got " + inQuotes(v);
}

std::optional<std::string> parseLocation(const std::string& v, LocationChoice& out) {
    const std::string expected = "expected auto, geoclue, disabled, none, LAT,LON or gpsd[:HOST[:PORT]], got " + inQuotes(v);
    out = LocationChoice{};
    if (v == "disabled" || v == "geoclue" || v == "auto") {
        out.kind = v == "disabled" ? LocationChoice::Kind::Disabled
                   : v == "geoclue" ? LocationChoice::Kind::GeoClue
                                    : LocationChoice::Kind::Auto;
        return std::nullopt;
    }
    if (v == "none") return std::nullopt;
    if (v == "gpsd" || v.rfind("gpsd:", 0) == 0) {
        out.kind = LocationChoice::Kind::Gpsd;
        if (v.size() == 4) return std::nullopt;
        std::string rest = v.substr(5);
        auto colon = rest.find(':');
        out.host = rest.substr(0, colon);
        if (out.host.empty()) return expected;
        if (colon != std::string::npos) {
            auto port = parseInteger(rest.substr(colon + 1));
            if (!port || *port < 1 || *port > 65535) return "port must be 1 to 65535, got " + inQuotes(rest.substr(colon + 1));
            out.port = int(*port);
        }
        return std::nullopt;
    }
    auto comma = v.find(',');
    if (comma == std::string::npos) return expected;
    auto lat = parseNumber(v.substr(0, comma));
    auto lon = parseNumber(v.substr(comma + 1));
    if (!lat || !lon) return expected;
    if (*lat < -90 || *lat > 90) return "latitude must be -90 to 90, got " + inQuotes(v.substr(0, comma));
    if (*lon < -180 || *lon > 180) return "longitude must be -180 to 180, got " + inQuotes(v.substr(comma + 1));
    out.kind = LocationChoice::Kind::Fixed;
    out.latitude = *lat;
    out.longitude = *lon;
    return std::nullopt;
}

std::optional<std::filesystem::path> defaultDeviceRoot(const Options::Getenv& getenv) {
    const char* xdg = getenv("XDG_DATA_HOME");
    // An XDG path that is not absolute is invalid and must be ignored.
    if (xdg && *xdg == '/') return std::filesystem::path(xdg) / "kestrova" / "device";
    const char* home = getenv("HOME");
    if (home && *home) return std::filesystem::path(home) / ".local" / "share" / "kestrova" / "device";
    return std::nullopt;
}

}  // namespace

Options::Result Options::parse(const std::vector<std::string>& args, const Getenv& getenv) {
    Options o;
    bool rootGiven = false;
    bool languageGiven = false;
    bool orientationGiven = false;
    bool locationGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto flag = [&]() -> bool { return !inlineValue; };
        // The value of an option that takes one: "--x v" or "--x=v".
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };

        if (name == "--help" || name == "-h") {
            if (!flag()) return failure(name + ": takes no value");
            Result r;
            r.help = true;
            return r;
        }
        if (name == "--version") {
            if (!flag()) return failure(name + ": takes no value");
            Result r;
            r.version = true;
            return r;
        }
        if (name == "--headless" || name == "--fullscreen") {
            if (!flag()) return failure(name + ": takes no value");
            (name == "--headless" ? o.headless : o.fullscreen) = true;
            continue;
        }
        static const char* const withValue[] = {"--device-root", "--scale",    "--language", "--orientation",
                                                "--camera",      "--location", "--script",   "--event-log",
                                                "--window-system"};
        if (std::find(std::begin(withValue), std::end(withValue), name) == std::end(withValue)) {
            if (name.rfind("-", 0) == 0) return failure("unknown option " + inQuotes(name) + " (try --help)");
            return failure("unexpected argument " + inQuotes(name) + " (the device takes only options; try --help)");
        }
        auto v = value();
        if (!v) return failure(name + ": missing value");
        if (v->empty()) return failure(name + ": empty value");

        if (name == "--device-root") {
            o.deviceRoot = *v;
            rootGiven = true;
        } else if (name == "--scale") {
            auto n = parseNumber(*v);
            if (!n || *n < kMinScale || *n > kMaxScale)
                return failure(name + ": expected a number from 0.5 to 8, got " + inQuotes(*v));
            o.scale = *n;
        } else if (name == "--language") {
            if (std::find(std::begin(kLanguages), std::end(kLanguages), *v) == std::end(kLanguages))
                return failure(name + ": expected en, ja, zh-Hans, zh-Hant, de or fr, got " + inQuotes(*v));
            o.language = *v;
            languageGiven = true;
        } else if (name == "--orientation") {
            orientationGiven = true;
            o.orientationSensor = *v == "sensor";
            if (o.orientationSensor) continue;
            auto n = parseInteger(*v);
            if (!n || *n < 1 || *n > 6) return failure(name + ": expected sensor or 1 to 6, got " + inQuotes(*v));
            o.orientation = platform::DeviceOrientation(*n);
        } else if (name == "--camera") {
            if (auto err = parseCamera(*v, o.camera)) return failure(name + ": " + *err);
        } else if (name == "--location") {
            if (auto err = parseLocation(*v, o.location)) return failure(name + ": " + *err);
            locationGiven = true;
        } else if (name == "--script") {
            o.script = *v;
        } else if (name == "--event-log") {
            o.eventLog = *v;
        } else if (name == "--window-system") {
            if (*v == "auto") o.windowSystem = WindowSystem::Auto;
            else if (*v == "wayland") o.windowSystem = WindowSystem::Wayland;
            else if (*v == "x11") o.windowSystem = WindowSystem::X11;
            else return failure(name + ": expected auto, wayland or x11, got " + inQuotes(*v));
        }
    }
    if (!languageGiven) o.language = EnvironmentLanguage::choose(getenv);
    // A window is a device in someone's hands: it listens to the machine's own sensors.
    if (!o.headless && !orientationGiven) o.orientationSensor = true;
    if (!o.headless && !locationGiven) o.location.kind = LocationChoice::Kind::Auto;
    if (!rootGiven) {
        auto root = defaultDeviceRoot(getenv);
        if (!root) return failure("--device-root: neither XDG_DATA_HOME nor HOME is set; give a folder");
        o.deviceRoot = *root;
    }
    Result r;
    r.options = std::move(o);
    return r;
}

std::string Options::usage() {
    return "usage: kestrova [--device-root DIR] [--headless] [--scale N] [--fullscreen] [--language CODE]\n"
           "                [--orientation sensor|N] [--camera auto|synthetic|images:DIR|v4l2:/dev/videoN|pipewire[:NAME]]\n"
           "                [--location auto|geoclue|disabled|none|LAT,LON|gpsd[:HOST[:PORT]]]\n"
           "                [--script FILE] [--event-log FILE] [--window-system auto|wayland|x11]\n"
           "                [--version] [--help]\n"
           "\n"
           "  --device-root DIR  the device's file system (default $XDG_DATA_HOME/kestrova/device)\n"
           "  --headless         no window and no sound; scripts run in virtual time\n"
           "  --scale N          pixels per point, 0.5 to 8, fractions allowed (default: in a window\n"
           "                     the largest that fits the display, headless 2)\n"
           "  --fullscreen       starts full screen (F11 switches); on a phone-shaped display it does anyway\n"
           "  --language CODE    en, ja, zh-Hans, zh-Hant, de or fr (default: from LANGUAGE, LC_ALL,\n"
           "                     LC_MESSAGES or LANG, else en)\n"
           "  --orientation N    the device's orientation, 1 (portrait) to 6, or sensor: the accelerometer\n"
           "                     service's (default: sensor in a window, starting at 1; headless 1)\n"
           "  --camera SOURCE    auto (default: in a window a PipeWire camera, else the first webcam, else\n"
           "                     synthetic), synthetic, images:DIR, v4l2:/dev/videoN or pipewire[:NAME]\n"
           "  --location SOURCE  auto (GeoClue2, else gpsd on localhost, else none), geoclue, disabled,\n"
           "                     none, LAT,LON or gpsd[:HOST[:PORT]] (default: auto in a window, headless none)\n"
           "  --script FILE      runs the input script FILE, then quits\n"
           "  --event-log FILE   writes the event log to FILE instead of standard output\n"
           "  --window-system WS auto (default: Wayland where WAYLAND_DISPLAY is set, else X11;\n"
           "                     SDL_VIDEODRIVER=wayland or x11 picks one), wayland or x11\n"
           "  --version          prints the version and exits\n"
           "\n"
           "script commands, one a line: wait S | tap X Y | tap @NAME | tap \"TITLE\" | sheet N |\n"
           "  down X Y [F] | move X Y [F] | up [F] | cancel [F] | hold X Y S | drag X0 Y0 X1 Y1 S |\n"
           "  pinch X Y D0 D1 S | key volume-up|volume-down | orientation N | location LAT LON [ACC] |\n"
           "  location-services on|off | resign | activate | screenshot FILE.png | quit\n";
}

}  // namespace host
