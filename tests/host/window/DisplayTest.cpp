#include "host/window/DisplayChoice.h"
#include "host/window/X11DesktopScale.h"
#include "host/window/X11StartupNotice.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using host::DisplayChoice;
using host::X11StartupNotice;

TEST(DisplayChoice, TheLineNamesTheDisplayTried) {
    const std::map<std::string, std::string> env{{"DISPLAY", ":77"}, {"WAYLAND_DISPLAY", "wayland-1"}};
    auto getenv = [&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(DisplayChoice::describe(DisplayChoice::Server::X11, getenv), "the X11 display \":77\"");
    EXPECT_EQ(DisplayChoice::describe(DisplayChoice::Server::Wayland, getenv), "the Wayland display \"wayland-1\"");
}

TEST(X11StartupNotice, RemoveMessageQuotedAndCutInto20BytePieces) {
    EXPECT_EQ(X11StartupNotice::removeMessage("openbox-12-host-kestrova-0_TIME42"),
              "remove: ID=openbox-12-host-kestrova-0_TIME42");
    EXPECT_EQ(X11StartupNotice::removeMessage("a b\"c\\d"), "remove: ID=\"a b\\\"c\\\\d\"");

    // 19 characters and the NUL fill one piece exactly; one more character needs a second,
    // padded with NULs.
    const std::string nineteen = "remove: ID=12345678";
    auto one = X11StartupNotice::pieces(nineteen);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(std::string(one[0].data(), 20), nineteen + '\0');
    auto two = X11StartupNotice::pieces(nineteen + "9");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(std::string(two[0].data(), 20), nineteen + "9");
    EXPECT_EQ(std::string(two[1].data(), 20), std::string(20, '\0'));
}

TEST(X11DesktopScale, XftDpiRoundedToWholePixelsPerPoint) {
    using host::X11DesktopScale;
    EXPECT_EQ(X11DesktopScale::fromResources(nullptr), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xcursor.size:\t48\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\t96\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\t143\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n"), 2);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi: 192"), 2);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\t288\n"), 3);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\tlarge\n"), 1);
    EXPECT_EQ(X11DesktopScale::fromResources("Xft.dpi:\t1e9\n"), 8);
}
