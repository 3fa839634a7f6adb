#include "host/window/DisplayChoice.h"
#include "host/window/SurfaceScale.h"
#include "host/window/WaylandHost.h"
#include "host/window/X11DesktopScale.h"
#include "host/window/X11StartupNotice.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using host::DisplayChoice;
using host::WindowSystem;
using Server = DisplayChoice::Server;

namespace {

using Environment = std::map<std::string, std::string>;

host::Options::Getenv getenvOf(const Environment& env) {
    return [&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
}

Server choose(WindowSystem asked, const Environment& env) { return DisplayChoice::choose(asked, getenvOf(env)); }

}  // namespace

TEST(DisplayChoice, WaylandSessionsGetTheNativeWindow) {
    // A GNOME or KDE session sets both: Wayland, not Xwayland.
    EXPECT_EQ(choose(WindowSystem::Auto, {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}), Server::Wayland);
    EXPECT_EQ(choose(WindowSystem::Auto, {{"WAYLAND_DISPLAY", "wayland-0"}}), Server::Wayland);
    EXPECT_EQ(choose(WindowSystem::Auto, {{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", ""}}), Server::X11);
    EXPECT_EQ(choose(WindowSystem::Auto, {{"DISPLAY", ""}}), Server::None);
    EXPECT_EQ(choose(WindowSystem::Auto, {{"SDL_VIDEODRIVER", "x11"}}), Server::None);
    // SDL_VIDEODRIVER picks one (the first of a list); a driver we do not have is no choice.
    EXPECT_EQ(choose(WindowSystem::Auto, {{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}, {"SDL_VIDEODRIVER", "x11"}}),
              Server::X11);
    EXPECT_EQ(choose(WindowSystem::Auto, {{"DISPLAY", ":0"}, {"SDL_VIDEODRIVER", "wayland,x11"}}), Server::Wayland);
    EXPECT_EQ(choose(WindowSystem::Auto, {{"DISPLAY", ":0"}, {"SDL_VIDEODRIVER", "kmsdrm"}}), Server::X11);
    // The option beats the environment.
    EXPECT_EQ(choose(WindowSystem::X11, {{"WAYLAND_DISPLAY", "w"}, {"SDL_VIDEODRIVER", "wayland"}}), Server::X11);
    EXPECT_EQ(choose(WindowSystem::Wayland, {{"DISPLAY", ":0"}, {"SDL_VIDEODRIVER", "x11"}}), Server::Wayland);
}

TEST(SurfaceScale, WholeOrFractionalBufferPixels) {
    host::SurfaceScale s;
    s.setWholeScale(2);
    EXPECT_EQ(s.bufferScale(), 2);
    EXPECT_EQ(s.pixels(321), 642);
    // A fraction, where the compositor says one, wins: the buffer at scale 1 under a viewport,
    // its size rounded half away from zero.
    s.setFractional(180);  // 1.5
    EXPECT_EQ(s.bufferScale(), 1);
    EXPECT_EQ(s.pixels(321), 482);
    EXPECT_EQ(s.pixels(320), 480);
    EXPECT_DOUBLE_EQ(s.pixelsPerUnit(), 1.5);
    s.setFractional(0);
    EXPECT_EQ(s.pixels(10), 20);
}

TEST(WaylandHost, FirstSizeInSurfaceUnits) {
    int w = 0, h = 0;
    // A scale asked for is device pixels a point: at buffer scale 2, half as many units.
    host::WaylandHost::initialSize(2.0, 1920, 1080, 2, &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 480);
    host::WaylandHost::initialSize(1.5, 1920, 1080, 1, &w, &h);
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 720);
    // Otherwise as large as fits the output below a title bar, in steps of 1/32: 1040 of 1080
    // units take 2 5/32 pixels a point.
    host::WaylandHost::initialSize(std::nullopt, 1920, 1080, 1, &w, &h);
    EXPECT_EQ(w, 690);
    EXPECT_EQ(h, 1035);
    // The output's units at buffer scale 2 hold twice the pixels: 1000 of them, 2 2/32 a point.
    host::WaylandHost::initialSize(std::nullopt, 960, 540, 2, &w, &h);
    EXPECT_EQ(w, 330);
    EXPECT_EQ(h, 495);
}

TEST(DisplayChoice, TheLineNamesTheDisplayTried) {
    const Environment env{{"DISPLAY", ":77"}, {"WAYLAND_DISPLAY", "wayland-1"}};
    const auto getenv = getenvOf(env);
    EXPECT_EQ(DisplayChoice::describe(DisplayChoice::Server::X11, getenv), "the X11 display \":77\"");
    EXPECT_EQ(DisplayChoice::describe(DisplayChoice::Server::Wayland, getenv), "the Wayland display \"wayland-1\"");
}

TEST(X11StartupNotice, RemoveMessageQuotedAndCutInto20BytePieces) {
    EXPECT_EQ(host::X11StartupNotice::removeMessage("openbox-12-host-kestrova-0_TIME42"),
              "remove: ID=openbox-12-host-kestrova-0_TIME42");
    EXPECT_EQ(host::X11StartupNotice::removeMessage("a b\"c\\d"), "remove: ID=\"a b\\\"c\\\\d\"");

    // 19 characters and the NUL fill one piece exactly; one more character needs a second,
    // padded with NULs.
    const std::string nineteen = "remove: ID=12345678";
    auto one = host::X11StartupNotice::pieces(nineteen);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(std::string(one[0].data(), 20), nineteen + '\0');
    auto two = host::X11StartupNotice::pieces(nineteen + "9");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(std::string(two[0].data(), 20), nineteen + "9");
    EXPECT_EQ(std::string(two[1].data(), 20), std::string(20, '\0'));
}

TEST(X11DesktopScale, XftDpiRoundedToWholePixelsPerPoint) {
    using host::X11DesktopScale;
    EXPECT_EQ(X11DesktopScale::fromResources(nullptr), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xcursor.size:\t48\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\t143\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n"), 2);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi: 192"), 2);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\tlarge\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\t1e9\n"), 8);
}
