#pragma once
// The simulated device's command line. parse() never exits or prints: it hands back either the
// options, a request for the usage text or the version, or one line naming what is wrong.
#include "platform/system/DeviceOrientation.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct CameraChoice {
    // Auto: in a window a PipeWire camera, else the first webcam; headless the synthetic camera.
    enum class Kind { Auto, Synthetic, Images, V4L2, PipeWire };
    Kind kind = Kind::Auto;
    std::string path;  // the picture folder, the video device or the PipeWire camera's name
};

struct LocationChoice {
    // GeoClue: GeoClue2 on the system bus. Auto: GeoClue2, else gpsd on localhost, else none.
    enum class Kind { Disabled, None, Fixed, Gpsd, GeoClue, Auto };
    Kind kind = Kind::None;
    double latitude = 0, longitude = 0;  // Fixed
    std::string host = "localhost";      // Gpsd
    int port = 2947;                     // Gpsd
};

// The window system the window is shown on; Auto: the session's (see DisplayChoice).
enum class WindowSystem { Auto, Wayland, X11 };

struct OptionsResult;

class Options {
public:
    std::filesystem::path deviceRoot;
    bool headless = false;
    // Pixels per point; none: the largest that fits the display in a window, 2 headless.
    std::optional<double> scale;
    bool fullscreen = false;
    WindowSystem windowSystem = WindowSystem::Auto;
    // Given, or the desktop's locale.
    std::string language = "en";
    platform::DeviceOrientation orientation = platform::DeviceOrientation::Portrait;
    // The orientation follows the accelerometer service (starting from `orientation`). In a
    // window unless --orientation gives a number.
    bool orientationSensor = false;
    CameraChoice camera;
    LocationChoice location;
    std::optional<std::filesystem::path> script;
    std::optional<std::filesystem::path> eventLog;

    using Result = OptionsResult;

    // Headless, where no display tells a better one.
    static constexpr double kDefaultScale = 2;

    // Reads the environment (XDG_DATA_HOME, HOME, the locale) through `getenv`, so tests can
    // supply their own.
    using Getenv = std::function<const char*(const char*)>;
    static Result parse(const std::vector<std::string>& args, const Getenv& getenv);
    static std::string usage();

    static constexpr const char* kLanguages[] = {"en", "ja", "zh-Hans", "zh-Hant", "de", "fr"};
    static constexpr double kMinScale = 0.5, kMaxScale = 8;
};

struct OptionsResult {
    std::optional<Options> options;  // set when parsing succeeded and no help was asked for
    bool help = false;
    bool version = false;
    std::string error;               // one line, set when parsing failed
};

}  // namespace host
