// The native Wayland window under a real headless sway, driven through the compositor's virtual
// pointer and keyboard; what it shows is read back with grim. Every wait has a deadline.
#include "platform/graphics/PNGFile.h"
#include "tests/support/HeadlessSway.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <optional>


using testenv::HeadlessSway;
using testenv::shellQuote;

namespace {

// evdev key codes
constexpr int kKeyF11 = 87, kKeyF12 = 88, kKeyVolumeUp = 115;

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The one application window sway shows: its content in layout units, app_id and shell.
struct ShownWindow {
    Rect content;
    std::string appId, shell;
    bool fullscreen = false;
};

void findWindows(const nlohmann::json& node, std::vector<ShownWindow>& out) {
    if (node.contains("app_id") && node["app_id"].is_string() && node.contains("pid")) {
        ShownWindow w;
        w.appId = node["app_id"];
        w.shell = node.value("shell", "");
        w.fullscreen = node.value("fullscreen_mode", 0) != 0;
        const auto& r = node["rect"];
        const auto& wr = node["window_rect"];
        w.content = {r["x"].get<int>() + wr["x"].get<int>(), r["y"].get<int>() + wr["y"].get<int>(),
                     wr["width"].get<int>(), wr["height"].get<int>()};
        out.push_back(w);
    }
    for (const char* key : {"nodes", "floating_nodes"})
        if (node.contains(key))
            for (const auto& n : node[key]) findWindows(n, out);
}

std::optional<ShownWindow> shownWindow(const HeadlessSway& sway) {
    auto r = sway.swaymsg("-t get_tree");
    if (r.status != 0) return std::nullopt;
    std::vector<ShownWindow> found;
    findWindows(nlohmann::json::parse(r.out, nullptr, false), found);
    if (found.size() != 1 || found[0].content.width <= 0) return std::nullopt;
    return found[0];
}

// The app in the background with the compositor's environment; `extra` goes before it.
std::string startApp(const HeadlessSway& sway, const testenv::ScratchDir& dir, const std::string& args,
                     const std::string& extra = "") {
    return "cd " + shellQuote(dir.path().string()) + " && " + extra + " " + sway.env() + " " +
           shellQuote(testenv::kestrovaBinary()) + " --camera synthetic --device-root device --event-log events.log " +
           args + " >app.out 2>&1 & echo $!";
}

struct App {
    long pid = 0;
    ~App() {
        if (pid > 0) testenv::run("kill -TERM " + std::to_string(pid) + " 2>/dev/null");
    }
};

std::string input(const HeadlessSway& sway, const std::string& args) {
    return testenv::run(sway.env() + " " + shellQuote(VIRTUAL_INPUT) + " " + args).out;
}

int countFiles(const std::filesystem::path& dir, const std::string& ext) {
    int n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec); !ec && it != std::filesystem::end(it);
         it.increment(ec))
        if (it->path().extension() == ext) ++n;
    return n;
}

// The first `rows` rows of two pictures have the same colours.
bool sameRows(const platform::Image& a, const platform::Image& b, int rows) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < a.width(); ++x)
            if (std::memcmp(a.pixel(x, y), b.pixel(x, y), 3) != 0) return false;
    return true;
}

}  // namespace

// Started in a Wayland session that also has a DISPLAY (with no X server behind it): a native
// window at once, known by its name; a click on the shutter area and the volume key each take
// a picture.
TEST(WindowWayland, NativeWindowTakesPicturesAndIsDrawnAtTheOutputsScale) {
    std::string why;
    auto sway = HeadlessSway::start(&why);
    if (!sway) GTEST_SKIP() << why;
    if (testenv::run("command -v grim").status != 0) GTEST_SKIP() << "grim is not installed";
    ASSERT_TRUE(sway->holdInputDevices(VIRTUAL_INPUT));
    testenv::ScratchDir dir;
    App app;
    app.pid = std::atol(testenv::run(startApp(*sway, dir, "--scale 1", "DISPLAY=:77")).out.c_str());
    std::optional<ShownWindow> w;
    ASSERT_TRUE(testenv::waitUntil([&] { return (w = shownWindow(*sway)).has_value(); }, 10))
        << testenv::readFile(dir / "app.out");
    EXPECT_EQ(w->appId, "org.kestrova.camera");
    EXPECT_EQ(w->shell, "xdg_shell");
    EXPECT_EQ(w->content.width, 320);
    EXPECT_EQ(w->content.height, 480);

    const auto dcim = dir / "device/var/mobile/Media/DCIM";
    // The shutter area fills the preview below the navigation bar; a click there is a short tap.
    const std::string at = "move " + std::to_string(w->content.x + 160) + " " + std::to_string(w->content.y + 250) +
                           " 1920 1080";
    // A window shown at once may still have a camera warming up, which refuses a shot: click again
    // until one is taken.
    EXPECT_TRUE(testenv::waitUntil([&] {
        if (countFiles(dcim, ".JPG") < 1) input(*sway, at + " click");
        return testenv::waitUntil([&] { return countFiles(dcim, ".JPG") >= 1; }, 3);
    }, 20)) << countFiles(dcim, ".JPG") << " pictures; " << testenv::readFile(dir / "app.out");
    const int clicked = countFiles(dcim, ".JPG");
    // The volume key is the second shutter (once the first picture's sequence has ended).
    EXPECT_TRUE(testenv::waitUntil([&] {
        if (countFiles(dcim, ".JPG") <= clicked) input(*sway, "key " + std::to_string(kKeyVolumeUp));
        return testenv::waitUntil([&] { return countFiles(dcim, ".JPG") > clicked; }, 1);
    }, 15)) << testenv::readFile(dir / "events.log");
    const int pictures = countFiles(dcim, ".JPG");
    EXPECT_EQ(testenv::readFile(dir / "app.out").find("Wayland"), std::string::npos);

    // On an output of scale 2 the window's buffer is drawn at scale 2: the compositor's picture of
    // the navigation bar is, pixel for pixel, the application's own scale-2 screenshot of it. The
    // window started on a scale-1 output, so it must also draw itself again when the scale changes.
    ASSERT_EQ(sway->swaymsg("output HEADLESS-1 scale 2").status, 0);
    // The output is 960 x 540 units now: the window into its corner, where all of it shows.
    ASSERT_EQ(sway->swaymsg("'[app_id=\"org.kestrova.camera\"]' move position 0 0").status, 0);
    ASSERT_TRUE(testenv::waitUntil([&] {
        return (w = shownWindow(*sway)).has_value() && w->content.x + w->content.width <= 960 &&
               w->content.y + w->content.height <= 540;
    }, 10));
    ASSERT_EQ(w->content.width, 320);

    // F12 until the screenshot is at twice the window's size in points.
    platform::ImageRef own;
    ASSERT_TRUE(testenv::waitUntil([&] {
        input(*sway, "key " + std::to_string(kKeyF12));
        testenv::run("cd " + shellQuote(dir.path().string()) + " && f=$(ls -t kestrova-*.png 2>/dev/null | head -1) && "
                     "[ -n \"$f\" ] && mv \"$f\" app.png");
        own = platform::PNGFile::read(dir / "app.png");
        return own && own->width() == w->content.width * 2;
    }, 10)) << testenv::readFile(dir / "app.out");

    // The navigation bar, 53 points, as the compositor shows it: with no software cursor over it.
    input(*sway, "move 1900 1060 1920 1080");
    const std::string geometry = std::to_string(w->content.x) + "," + std::to_string(w->content.y) + " " +
                                 std::to_string(w->content.width) + "x53";
    platform::ImageRef shown;
    const bool same = testenv::waitUntil([&] {
        testenv::run(sway->env() + " grim -g " + shellQuote(geometry) + " " + shellQuote((dir / "grim.png").string()));
        shown = platform::PNGFile::read(dir / "grim.png");
        return shown && shown->width() == own->width() && shown->height() == 106 && sameRows(*shown, *own, 106);
    }, 10);
    if (!same) dir.keep();
    EXPECT_TRUE(same) << "grim's picture and the application's differ; kept in " << dir.path();

    // The pointer lands where it points at scale 2 too: 70 units down is the shutter area just
    // below the bar (taken as pixels, it would be the bar).
    input(*sway, "move " + std::to_string(w->content.x + 160) + " " + std::to_string(w->content.y + 70) + " 960 540 click");
    EXPECT_TRUE(testenv::waitUntil([&] { return countFiles(dcim, ".JPG") > pictures; }, 15));

    // Closing the window ends the application as the phone does.
    ASSERT_EQ(sway->swaymsg("'[app_id=\"org.kestrova.camera\"]' kill").status, 0);
    EXPECT_TRUE(testenv::waitUntil([&] { return testenv::processGone(app.pid); }, 10));
    EXPECT_NE(testenv::readFile(dir / "events.log").find(" terminate\n"), std::string::npos);
}

// A phone-shaped output: full screen from the start; F11 leaves it for a window.
TEST(WindowWayland, PhoneShapedOutputStartsFullScreen) {
    std::string why;
    auto sway = HeadlessSway::start(&why, "720x1440");
    if (!sway) GTEST_SKIP() << why;
    ASSERT_TRUE(sway->holdInputDevices(VIRTUAL_INPUT));
    testenv::ScratchDir dir;
    App app;
    app.pid = std::atol(testenv::run(startApp(*sway, dir, "")).out.c_str());
    std::optional<ShownWindow> w;
    // Full screen, and drawn at the whole output's size.
    ASSERT_TRUE(testenv::waitUntil([&] {
        return (w = shownWindow(*sway)).has_value() && w->fullscreen && w->content.width == 720 &&
               w->content.height == 1440;
    }, 10)) << testenv::readFile(dir / "app.out");
    input(*sway, "key " + std::to_string(kKeyF11));
    EXPECT_TRUE(testenv::waitUntil([&] { return (w = shownWindow(*sway)).has_value() && !w->fullscreen; }, 10));
}
