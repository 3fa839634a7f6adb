// A real-window session under Xvfb: a click on the shutter area, made by xdotool as a person's
// mouse would, leaves a whole picture and its thumbnail in the camera roll. Every wait is
// bounded, none fixed.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testenv::shellQuote;

namespace {

bool haveProgram(const char* name) { return testenv::run(std::string("command -v ") + name).status == 0; }

std::vector<fs::path> filesEndingIn(const fs::path& dir, const std::string& suffix) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.push_back(it->path());
    }
    return out;
}

}  // namespace

TEST(WindowSession, ClickOnTheShutterAreaTakesAPicture) {
    if (!haveProgram("xvfb-run") || !haveProgram("xdotool")) GTEST_SKIP() << "xvfb-run or xdotool is not installed";
    testenv::ScratchDir dir;
    const fs::path device = dir / "device";
    const std::string dcim = (device / "var/mobile/Media/DCIM").string();
    const std::string log = (dir / "events.log").string();
    // At scale 1 the window is 320 x 480 pixels; (160, 200) lies in the shutter area over the
    // preview. The camera roll is scanned about a second after start and a press before that
    // takes no picture, so the click is repeated, once a second, until a picture is on disk.
    const std::string inner =
        shellQuote(testenv::kestrovaBinary()) + " --scale 1 --camera synthetic --device-root " + shellQuote(device.string()) +
        " --event-log " + shellQuote(log) + " & pid=$!\n"
        "wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Kestrova$' | head -1)\n"
        "[ -n \"$wid\" ] || { echo 'no window'; kill $pid; exit 1; }\n"
        "shot=''\n"
        "for try in $(seq 30); do\n"
        "  xdotool mousemove --window $wid 160 200 click 1\n"
        "  for i in $(seq 20); do\n"
        "    shot=$(find " + shellQuote(dcim) + " -name 'IMG_*.JPG' 2>/dev/null | head -1)\n"
        "    [ -n \"$shot\" ] && break 2\n"
        "    sleep 0.05\n"
        "  done\n"
        "done\n"
        "[ -n \"$shot\" ] && echo SHOT-FOUND || echo SHOT-MISSING\n"
        // Ctrl+C's signal: the app ends as it does at termination, writing what is queued.
        "kill -TERM $pid\n"
        "for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done\n"
        "kill -0 $pid 2>/dev/null && { echo 'still running'; kill -KILL $pid; }\n"
        "wait $pid; echo \"exit=$?\"\n";
    auto r = testenv::run("timeout 90 " + testenv::xvfbRun("-screen 0 640x800x24") + " bash -c " + shellQuote(inner));
    ASSERT_NE(r.out.find("SHOT-FOUND"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("exit=0"), std::string::npos) << r.out;

    // Whole pictures, each with its thumbnail.
    const auto pictures = filesEndingIn(dcim, ".JPG");
    ASSERT_FALSE(pictures.empty());
    for (const auto& p : pictures) {
        auto decoded = testenv::run(testenv::djpeg() + " -outfile /dev/null " + shellQuote(p.string()));
        EXPECT_EQ(decoded.status, 0) << p << ": " << decoded.out;
        fs::path thumb = p;
        thumb.replace_extension(".THM");
        EXPECT_TRUE(fs::exists(thumb)) << thumb;
    }
    EXPECT_EQ(filesEndingIn(dcim, ".JPG").size(), filesEndingIn(dcim, ".THM").size());
    const std::string events = testenv::readFile(log);
    EXPECT_NE(events.find(" terminate\n"), std::string::npos) << events;
}

// In real time, the program asked to end right after its shutter (a tap then quit at once, a
// volume press 0.05 s before quit) still writes the picture whose shutter sounded.
TEST(WindowSession, QuitRightAfterTheShutterStillWritesThePicture) {
    if (!haveProgram("xvfb-run")) GTEST_SKIP() << "xvfb-run is not installed";
    testenv::ScratchDir dir;
    for (const char* ending : {"tap @snapButton\nquit\n", "key volume-up\nwait 0.05\nquit\n"}) {
        SCOPED_TRACE(ending);
        const fs::path device = dir / (ending[0] == 't' ? "tap" : "volume");
        const std::string dcim = (device / "var/mobile/Media/DCIM").string();
        const fs::path script = dir / "quit.script", log = device.string() + ".log";
        testenv::writeFile(script, std::string("wait 2\n") + ending);
        auto r = testenv::run("timeout 90 " + testenv::xvfbRun("-screen 0 640x800x24") + " " +
                              shellQuote(testenv::kestrovaBinary()) + " --scale 1 --camera synthetic --device-root " +
                              shellQuote(device.string()) + " --event-log " + shellQuote(log.string()) + " --script " +
                              shellQuote(script.string()));
        EXPECT_EQ(r.status, 0) << r.out;
        const std::string events = testenv::readFile(log);
        size_t shutters = 0;
        for (size_t at = events.find("sound shutter"); at != std::string::npos; at = events.find("sound shutter", at + 1))
            ++shutters;
        EXPECT_EQ(shutters, 1u) << events;
        EXPECT_EQ(filesEndingIn(dcim, ".JPG").size(), shutters) << events;
        EXPECT_EQ(filesEndingIn(dcim, ".THM").size(), shutters) << events;
    }
}
