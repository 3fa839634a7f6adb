#include "host/device/Options.h"

#include <gtest/gtest.h>

#include <map>

using host::CameraChoice;
using host::LocationChoice;
using host::Options;

namespace {

struct Env {
    std::map<std::string, std::string> vars;
    Options::Getenv getenv() const {
        return [this](const char* name) -> const char* {
            auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
    }
};

Options::Result parse(std::vector<std::string> args, const Env& env = Env{{{"HOME", "/home/u"}}}) {
    return Options::parse(args, env.getenv());
}

}  // namespace

TEST(Options, DefaultsDeviceRootAndLanguageFromTheEnvironment) {
    // No options: defaults, device root under HOME.
    auto r = parse({});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->deviceRoot, "/home/u/.local/share/kestrova/device");
    EXPECT_FALSE(r.options->headless);
    EXPECT_FALSE(r.options->scale) << "the host picks one";
    EXPECT_FALSE(r.options->fullscreen);
    EXPECT_EQ(r.options->language, "en");
    // A window listens to the machine's own sensors, starting held upright.
    EXPECT_EQ(r.options->orientation, platform::DeviceOrientation::Portrait);
    EXPECT_TRUE(r.options->orientationSensor);
    EXPECT_EQ(r.options->camera.kind, CameraChoice::Kind::Auto);
    EXPECT_EQ(r.options->location.kind, LocationChoice::Kind::Auto);
    EXPECT_FALSE(r.options->script);

    // XDG_DATA_HOME wins over HOME; a relative one is ignored.
    r = parse({}, Env{{{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/data"}}});
    EXPECT_EQ(r.options->deviceRoot, "/data/kestrova/device");
    r = parse({}, Env{{{"HOME", "/home/u"}, {"XDG_DATA_HOME", "rel"}}});
    EXPECT_EQ(r.options->deviceRoot, "/home/u/.local/share/kestrova/device");

    // Neither set: only an explicit root will do.
    r = parse({}, Env{});
    EXPECT_FALSE(r.options);
    EXPECT_NE(r.error.find("--device-root"), std::string::npos);
    r = parse({"--device-root", "/tmp/d"}, Env{});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->deviceRoot, "/tmp/d");

    // The language follows the locale unless given.
    const Env japanese{{{"HOME", "/home/u"}, {"LANG", "ja_JP.UTF-8"}}};
    EXPECT_EQ(parse({}, japanese).options->language, "ja");
    EXPECT_EQ(parse({"--language", "de"}, japanese).options->language, "de");
}

TEST(Options, EveryOptionWithBothSpellings) {
    auto r = parse({"--device-root=/r", "--headless", "--scale", "1", "--language=zh-Hant", "--orientation", "4",
                    "--camera", "images:/pics", "--location=47.5,-122.25", "--script", "s.txt",
                    "--event-log=log.txt", "--fullscreen", "--window-system", "x11"});
    ASSERT_TRUE(r.options) << r.error;
    const Options& o = *r.options;
    EXPECT_EQ(o.deviceRoot, "/r");
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.scale, 1.0);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_EQ(o.language, "zh-Hant");
    EXPECT_EQ(o.orientation, platform::DeviceOrientation::LandscapeRight);
    EXPECT_EQ(o.camera.kind, CameraChoice::Kind::Images);
    EXPECT_EQ(o.camera.path, "/pics");
    EXPECT_EQ(o.location.kind, LocationChoice::Kind::Fixed);
    EXPECT_DOUBLE_EQ(o.location.latitude, 47.5);
    EXPECT_DOUBLE_EQ(o.location.longitude, -122.25);
    EXPECT_EQ(*o.script, "s.txt");
    EXPECT_EQ(*o.eventLog, "log.txt");
    EXPECT_EQ(o.windowSystem, host::WindowSystem::X11);
    EXPECT_EQ(parse({"--window-system=wayland"}).options->windowSystem, host::WindowSystem::Wayland);
    EXPECT_EQ(parse({"--window-system=x11", "--window-system=auto"}).options->windowSystem, host::WindowSystem::Auto);

    // Camera and location sources.
    struct Source {
        const char* arg;
        CameraChoice::Kind kind;
        const char* path;
    };
    for (const Source& c : {Source{"synthetic", CameraChoice::Kind::Synthetic, ""},
                            Source{"auto", CameraChoice::Kind::Auto, ""},
                            Source{"v4l2:/dev/video3", CameraChoice::Kind::V4L2, "/dev/video3"},
                            Source{"pipewire:HD Webcam", CameraChoice::Kind::PipeWire, "HD Webcam"},
                            Source{"pipewire", CameraChoice::Kind::PipeWire, ""}}) {
        r = parse({"--camera", c.arg});
        ASSERT_TRUE(r.options) << c.arg << ": " << r.error;
        EXPECT_EQ(r.options->camera.kind, c.kind) << c.arg;
        EXPECT_EQ(r.options->camera.path, c.path) << c.arg;
    }
    EXPECT_FALSE(parse({"--camera", "pipewire:"}).options);
    r = parse({"--location", "gpsd"});
    EXPECT_EQ(r.options->location.kind, LocationChoice::Kind::Gpsd);
    EXPECT_EQ(r.options->location.host, "localhost");
    EXPECT_EQ(r.options->location.port, 2947);
    r = parse({"--location", "gpsd:10.0.0.2:3000"});
    EXPECT_EQ(r.options->location.host, "10.0.0.2");
    EXPECT_EQ(r.options->location.port, 3000);
    EXPECT_EQ(parse({"--location", "disabled"}).options->location.kind, LocationChoice::Kind::Disabled);

    // The machine's own sensors headless only when asked for; a number or a source given in a
    // window replaces them.
    r = parse({"--headless"});
    EXPECT_FALSE(r.options->orientationSensor);
    EXPECT_EQ(r.options->location.kind, LocationChoice::Kind::None);
    r = parse({"--headless", "--orientation=sensor", "--location", "geoclue"});
    EXPECT_TRUE(r.options->orientationSensor);
    EXPECT_EQ(r.options->location.kind, LocationChoice::Kind::GeoClue);
    r = parse({"--orientation", "2", "--location", "none"});
    EXPECT_FALSE(r.options->orientationSensor);
    EXPECT_EQ(r.options->orientation, platform::DeviceOrientation::PortraitUpsideDown);
    EXPECT_EQ(r.options->location.kind, LocationChoice::Kind::None);
    EXPECT_EQ(parse({"--headless", "--location", "auto"}).options->location.kind, LocationChoice::Kind::Auto);

    // Fractional scales, and every range at both of its ends.
    for (double scale : {1.5, 0.5, 8.0}) EXPECT_EQ(parse({"--scale=" + std::to_string(scale)}).options->scale, scale);
    EXPECT_EQ(parse({"--orientation", "6"}).options->orientation, platform::DeviceOrientation::FaceDown);
    EXPECT_EQ(parse({"--orientation", "1"}).options->orientation, platform::DeviceOrientation::Portrait);
    for (const char* place : {"-90,-180", "90,180"}) {
        r = parse({"--location", place});
        ASSERT_TRUE(r.options) << r.error;
        EXPECT_EQ(r.options->location.latitude, place[0] == '-' ? -90 : 90);
        EXPECT_EQ(r.options->location.longitude, place[0] == '-' ? -180 : 180);
    }
    EXPECT_EQ(parse({"--location", "gpsd:h:65535"}).options->location.port, 65535);
    EXPECT_EQ(parse({"--location", "gpsd:h:1"}).options->location.port, 1);

    // Help and version stop parsing.
    r = parse({"--help", "--bogus"});
    EXPECT_TRUE(r.help);
    EXPECT_FALSE(r.version);
    EXPECT_FALSE(r.options);
    r = parse({"--version", "--bogus"});
    EXPECT_TRUE(r.version);
    EXPECT_FALSE(r.help);
    EXPECT_FALSE(r.options);
}

TEST(Options, BadValuesNameTheOption) {
    struct Case {
        std::vector<std::string> args;
        std::string needle;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"picture.jpg"}, "unexpected argument 'picture.jpg'"},
        {{"--scale", "8.5"}, "--scale: expected a number from 0.5 to 8, got '8.5'"},
        {{"--scale", "0.49"}, "--scale: expected a number from 0.5 to 8"},
        {{"--scale", "8.01"}, "--scale: expected a number from 0.5 to 8"},
        {{"--scale", "1,5"}, "--scale"},
        {{"--scale", "nan"}, "--scale"},
        {{"--scale"}, "--scale: missing value"},
        {{"--window-system", "mir"}, "--window-system: expected auto, wayland or x11, got 'mir'"},
        {{"--scale="}, "--scale: empty value"},
        {{"--language", "es"}, "--language"},
        {{"--orientation", "0"}, "--orientation: expected sensor or 1 to 6"},
        {{"--orientation", "Sensor"}, "--orientation"},
        {{"--location", "geoclue2"}, "--location"},
        {{"--orientation", "7"}, "--orientation"},
        {{"--orientation", "1e0"}, "--orientation"},
        {{"--camera", "webcam"}, "--camera"},
        {{"--camera", "images:"}, "--camera"},
        {{"--location", "91,0"}, "--location: latitude"},
        {{"--location", "0,181"}, "--location: longitude"},
        {{"--location", "nan,0"}, "--location"},
        {{"--location", "1,2,3"}, "--location"},
        {{"--location", "gpsd:host:0"}, "--location: port"},
        {{"--location", "gpsd:host:65536"}, "--location: port"},
        {{"--location", "-90.5,0"}, "--location: latitude"},
        {{"--location", "0,-180.5"}, "--location: longitude"},
        {{"--location", "gpsd::2947"}, "--location"},
        {{"--headless=yes"}, "--headless: takes no value"},
        {{"--fullscreen=1"}, "--fullscreen: takes no value"},
        {{"--version=2"}, "--version: takes no value"},
        {{"--device-root", ""}, "--device-root: empty value"},
    };
    for (const auto& c : cases) {
        auto r = parse(c.args);
        EXPECT_FALSE(r.options) << c.args[0];
        EXPECT_NE(r.error.find(c.needle), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << "one line: " << r.error;
    }
}
