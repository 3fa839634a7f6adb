// The real SDL window under Xvfb, of the desktop entry's class and sized in the desktop's points:
// a click on the navigation bar's album button leaves the application for the photo album, as the
// phone did: "launch ..." and "terminate" in the event log, and the process ends by itself. Every
// wait is bounded (watchdog), none fixed.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

using testenv::shellQuote;

namespace {
// Shell lines that start the app at scale 1 (a 320 x 480 window) in the background as $pid, find
// its window as $wid, and wait until it is past launch (the bar's buttons are built by then).
std::string launchedWindow(const testenv::ScratchDir& dir, const std::string& log) {
    return testenv::windowStart(shellQuote(testenv::kestrovaBinary()) + " --scale 1 --camera synthetic --device-root " +
                                shellQuote((dir / "device").string()) + " --event-log " + shellQuote(log)) +
           "for i in $(seq 200); do [ -e " + shellQuote((dir / "device/var").string()) + " ] && break; sleep 0.05; done\n";
}
}  // namespace

TEST(WindowHostXvfb, ClickOnTheAlbumButtonLeavesTheApplication) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool xprop"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::ScratchDir dir;
    const std::string log = (dir / "events.log").string();
    // The album button sits at the left of the bar.
    const std::string inner =
        // A desktop at twice the size, as its settings daemon says in the resource database.
        "xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER 'Xft.dpi:\t192'\n" +
        launchedWindow(dir, log) +
        // Docks find the desktop entry by the window's class; the smallest window is a quarter
        // of the screen in the desktop's points.
        "xprop -id $wid WM_CLASS WM_NORMAL_HINTS\n"
        "xdotool mousemove --window $wid 28 26 click 1\n"
        "for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done\n"
        "kill -0 $pid 2>/dev/null && { echo 'still running'; kill -TERM $pid; }\n"
        "wait $pid; echo \"exit=$?\"\n";
    auto r = testenv::run("timeout 60 " + testenv::xvfbRun("-screen 0 640x800x24") + " bash -c " + shellQuote(inner));
    EXPECT_NE(r.out.find("exit=0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("still running"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("WM_CLASS(STRING) = \"org.kestrova.camera\", \"org.kestrova.camera\""), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("program specified minimum size: 320 by 480"), std::string::npos) << r.out;
    const std::string events = testenv::readFile(log);
    EXPECT_NE(events.find(" launch com.apple.mobileslideshow-Photos\n"), std::string::npos) << events;
    EXPECT_NE(events.find(" terminate\n"), std::string::npos) << events;
}

// On the information page nothing is scheduled, so the window sleeps until the window system or
// another thread wakes it: a termination signal, handled on a thread of its own, must.
TEST(WindowHostXvfb, TerminationWakesTheWindowAtRest) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::ScratchDir dir;
    const std::string log = (dir / "events.log").string();
    // The information button sits at the right of the bar.
    const std::string inner =
        launchedWindow(dir, log) +
        "xdotool mousemove --window $wid 291 26 click 1\n"
        "sleep 2\n"
        "kill -TERM $pid\n"
        "for i in $(seq 40); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done\n"
        "kill -0 $pid 2>/dev/null && { echo 'still running'; kill -KILL $pid; }\n"
        "wait $pid; echo \"exit=$?\"\n";
    auto r = testenv::run("timeout 60 " + testenv::xvfbRun("-screen 0 640x800x24") + " bash -c " + shellQuote(inner));
    EXPECT_NE(r.out.find("exit=0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("still running"), std::string::npos) << r.out;
    EXPECT_NE(testenv::readFile(log).find(" terminate\n"), std::string::npos);
}
