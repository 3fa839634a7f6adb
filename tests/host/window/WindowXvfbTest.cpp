// The real SDL window on a private Xvfb. Started by a desktop with DESKTOP_STARTUP_ID, it says
// when it is up: the test listens on the root window, as a desktop does, and puts the startup
// notification's pieces together. It carries the desktop entry's class, is sized in the desktop's
// points, and a click on the navigation bar's album button leaves the application for the photo
// album, as the phone did. At rest on the information page, a termination signal still wakes it.
// Every wait is bounded, none fixed.
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines None, a name gtest uses.
#include <X11/Xlib.h>

#include <chrono>
#include <cstring>
#include <future>
#include <poll.h>

using testenv::shellQuote;

namespace {

// Shell lines that start the app at scale 1 (a 320 x 480 window) in the background as $pid, with
// `env` before it, find its window as $wid, and wait until it is past launch (the bar's buttons
// are built by then).
std::string launchedWindow(const testenv::ScratchDir& dir, const std::string& env = "") {
    return testenv::windowStart(env + shellQuote(testenv::kestrovaBinary()) +
                                " --scale 1 --camera synthetic --device-root " + shellQuote((dir / "device").string()) +
                                " --event-log " + shellQuote((dir / "events.log").string())) +
           "for i in $(seq 200); do [ -e " + shellQuote((dir / "device/var").string()) + " ] && break; sleep 0.05; done\n";
}

// Runs the shell lines `inner` against the private server, within a minute.
testenv::CommandResult onServer(const testenv::PrivateXServer& server, const std::string& inner) {
    return testenv::run("DISPLAY=" + server.name() + " timeout 60 bash -c " + shellQuote(inner));
}

}  // namespace

TEST(WindowHostXvfb, ClickOnTheAlbumButtonLeavesTheApplication) {
    if (auto m = testenv::missingProgram("Xvfb xdotool xprop"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::PrivateXServer server;
    ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
    Display* display = XOpenDisplay(server.name().c_str());
    ASSERT_TRUE(display);
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
    XSync(display, False);

    testenv::ScratchDir dir;
    const std::string inner =
        // A desktop at twice the size, as its settings daemon says in the resource database.
        "xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t192'\n" +
        // An id with a space and a quote, so the message is quoted and longer than one piece.
        launchedWindow(dir, "DESKTOP_STARTUP_ID='test \"run\"_TIME1' ") +
        // Docks find the desktop entry by the window's class; the smallest window is a quarter
        // of the screen in the desktop's points. The album button sits at the left of the bar.
        "xprop -id $wid WM_CLASS WM_NORMAL_HINTS\n"
        "xdotool mousemove --window $wid 28 26 click 1\n"
        "for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done\n"
        "kill -0 $pid 2>/dev/null && { echo 'still running'; kill -TERM $pid; }\n"
        "wait $pid; echo \"exit=$?\"\n";
    auto app = std::async(std::launch::async, [&] { return onServer(server, inner); });

    // A message starts with a BEGIN piece; pieces without one are dropped, as desktops do. A piece
    // shorter than 20 bytes ends it.
    std::string message;
    bool begun = false, complete = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!complete && std::chrono::steady_clock::now() < deadline) {
        if (!XPending(display)) {
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            poll(&p, 1, 100);
            continue;
        }
        XEvent e;
        XNextEvent(display, &e);
        if (e.type != ClientMessage || e.xclient.format != 8) continue;
        if (e.xclient.message_type == begin) {
            message.clear();
            begun = true;
        } else if (e.xclient.message_type != more || !begun) {
            continue;
        }
        const size_t n = strnlen(e.xclient.data.b, 20);
        message.append(e.xclient.data.b, n);
        complete = n < 20;
    }
    const auto r = app.get();
    XCloseDisplay(display);
    EXPECT_TRUE(complete) << "no complete startup message; pieces so far: " << message;
    EXPECT_EQ(message, "remove: ID=\"test \\\"run\\\"_TIME1\"");
    EXPECT_NE(r.out.find("exit=0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("still running"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("WM_CLASS(STRING) = \"org.kestrova.camera\", \"org.kestrova.camera\""), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("program specified minimum size: 320 by 480"), std::string::npos) << r.out;
    const std::string events = testenv::readFile(dir / "events.log");
    EXPECT_NE(events.find(" launch com.apple.mobileslideshow-Photos\n"), std::string::npos) << events;
    EXPECT_NE(events.find(" terminate\n"), std::string::npos) << events;
}

// On the information page nothing is scheduled, so the window sleeps until the window system or
// another thread wakes it: a termination signal, handled on a thread of its own, must. At rest is
// the main thread asleep in poll() without a deadline (x86-64's poll or ppoll, arm64's ppoll; the
// kernel shows poll's int timeout of -1 as 32 or 64 bits).
TEST(WindowHostXvfb, TerminationWakesTheWindowAtRest) {
    if (auto m = testenv::missingProgram("Xvfb xdotool"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::PrivateXServer server;
    ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
    testenv::ScratchDir dir;
    // The information button sits at the right of the bar.
    auto r = onServer(server, launchedWindow(dir) +
                                  "xdotool mousemove --window $wid 291 26 click 1\n"
                                  "for i in $(seq 200); do case \"$(cut -d' ' -f1,4 /proc/$pid/syscall)\" in\n"
                                  "  '7 0xffffffff' | '7 0xffffffffffffffff' | '271 0x0' | '73 0x0')\n"
                                  "    echo 'at rest'; break;; esac\n"
                                  "  sleep 0.05; done\n"
                                  "kill -TERM $pid\n"
                                  "for i in $(seq 40); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done\n"
                                  "kill -0 $pid 2>/dev/null && { echo 'still running'; kill -KILL $pid; }\n"
                                  "wait $pid; echo \"exit=$?\"\n");
    EXPECT_NE(r.out.find("at rest\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("exit=0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("still running"), std::string::npos) << r.out;
    EXPECT_NE(testenv::readFile(dir / "events.log").find(" terminate\n"), std::string::npos);
}
