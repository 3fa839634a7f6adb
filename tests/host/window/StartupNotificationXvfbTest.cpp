// A desktop that starts kestrova with DESKTOP_STARTUP_ID shows launch feedback until the window
// says it is up. The test listens on the root window of a private Xvfb, as a desktop does, for
// the startup-notification messages and puts their pieces together.
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines None, a name gtest uses.
#include <X11/Xlib.h>

#include <chrono>
#include <cstring>
#include <future>
#include <poll.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
using testenv::PrivateXServer;

TEST(StartupNotificationXvfb, TheLaunchIsMarkedCompleteWithItsId) {
    if (testenv::run("command -v Xvfb").status != 0) GTEST_SKIP() << "Xvfb is not installed";
    PrivateXServer server;
    ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
    Display* display = XOpenDisplay(server.name().c_str());
    ASSERT_TRUE(display);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, PropertyChangeMask);
    const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
    XSync(display, False);

    testenv::ScratchDir dir;
    testenv::writeFile(dir / "quit.script", "wait 0.5\nquit\n");
    // An id with a space and a quote, so the message is quoted and longer than one piece.
    const std::string launch = "DISPLAY=" + server.name() + " DESKTOP_STARTUP_ID='test \"run\"_TIME1' " +
                               testenv::shellQuote(testenv::kestrovaBinary()) +
                               " --scale 1 --camera synthetic --device-root " +
                               testenv::shellQuote((dir / "device").string()) + " --event-log " +
                               testenv::shellQuote((dir / "events.log").string()) + " --script " +
                               testenv::shellQuote((dir / "quit.script").string());
    auto app = std::async(std::launch::async, [&] { return testenv::run(launch); });

    std::string message;
    bool begun = false, complete = false;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!complete && Clock::now() < deadline) {
        if (!XPending(display)) {
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            poll(&p, 1, 100);
            continue;
        }
        XEvent e;
        XNextEvent(display, &e);
        if (e.type != ClientMessage || e.xclient.format != 8) continue;
        // A message starts with a BEGIN piece; pieces without one are dropped, as desktops do.
        if (e.xclient.message_type == begin) {
            message.clear();
            begun = true;
        } else if (e.xclient.message_type != more || !begun) {
            continue;
        }
        const char* bytes = e.xclient.data.b;
        const size_t n = strnlen(bytes, 20);
        message.append(bytes, n);
        complete = n < 20;
    }
    const auto result = app.get();
    XCloseDisplay(display);
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_TRUE(complete) << "no complete message; pieces so far: " << message;
    EXPECT_EQ(message, "remove: ID=\"test \\\"run\\\"_TIME1\"");
}
