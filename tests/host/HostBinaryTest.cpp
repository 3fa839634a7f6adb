// The built kestrova executable: option and script errors stop it before anything starts, and a
// headless script session leaves its screenshot and event log behind.
#include "platform/graphics/PNGFile.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

using testenv::run;
using testenv::shellQuote;

namespace {

std::string kestrova(const std::string& args) { return shellQuote(testenv::kestrovaBinary()) + " " + args; }

}  // namespace

// Bad options and scripts stop the program with one line and status 2 before anything starts:
// not even the device root is made. (Each option's and command's own errors are the parsers';
// --help and --version the installed program's.)
TEST(HostBinary, BadInputIsOneLineAndStatus2BeforeAnythingStarts) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "bad.script", "# fine\nwait 1\n\ntap 10 900\nquit\n");
    testenv::writeFile(dir / "s.script", "quit\n");
    const std::string root = "--headless --device-root " + shellQuote((dir / "device").string()) + " ";
    struct Case {
        std::string args;
        std::string line;
    };
    const Case cases[] = {
        {"--scale 9", "kestrova: --scale: expected a number from 0.5 to 8, got '9'\n"},
        {"--script " + shellQuote((dir / "bad.script").string()), "script:4: tap: y 900 is off the 320 x 480 screen\n"},
        {"--event-log /nonexistent/dir/log --script " + shellQuote((dir / "s.script").string()),
         "kestrova: --event-log: cannot write /nonexistent/dir/log: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        auto r = run(kestrova(root + c.args));
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, c.line);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "device"));
}

// The user's path, headless: the live preview, pictures, the screenshot at the scale in use and
// the event log in virtual seconds. Location services decide at each picture whether it has a
// geotag, whatever fix the device keeps: off, the next picture has no position; on again, it has.
TEST(HostBinary, HeadlessSessionTakesPicturesAndLeavesScreenshotsAndEventLog) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script",
                       "wait 30\n"
                       "screenshot shot1.png\n"
                       "wait 0.5\n"
                       "screenshot shot2.png\n"
                       "location -33.5 151.25\n"
                       "wait 0.5\n"
                       "location-services off\n"
                       "tap @snapButton\n"
                       "wait 2\n"
                       "location-services on\n"
                       "tap @snapButton\n"
                       "wait 2\n"
                       "quit\n");
    const std::string cd = "cd " + shellQuote(dir.path().string()) + " && ";
    // Headless without --scale: 2.
    auto r = run(cd + kestrova("--headless --device-root device --event-log events.log --script s.script"));
    EXPECT_EQ(r.status, 0) << r.out;
    auto shot1 = platform::PNGFile::read(dir / "shot1.png");
    auto shot2 = platform::PNGFile::read(dir / "shot2.png");
    ASSERT_TRUE(shot1 && shot2);
    EXPECT_EQ(shot1->width(), 640);
    EXPECT_EQ(shot1->height(), 960);
    // The preview lives: half a second changes the picture below the navigation bar.
    long changed = 0;
    for (int y = 106; y < 960; ++y)
        for (int x = 0; x < 640; ++x) changed += std::memcmp(shot1->pixel(x, y), shot2->pixel(x, y), 3) != 0;
    EXPECT_GT(changed, 0);

    // The event log stamps virtual seconds: the waits and the taps cost 35.1 s of device time.
    const std::string events = testenv::readFile(dir / "events.log");
    const std::string last = "35.100 terminate\n";
    EXPECT_TRUE(events.size() >= last.size() && events.compare(events.size() - last.size(), last.size(), last) == 0)
        << events;
    // Two pictures of the full size, and their thumbnails.
    const auto roll = dir / "device/var/mobile/Media/DCIM/100APPLE";
    EXPECT_EQ(testenv::exifValues(roll / "IMG_0001.JPG", "-ImageWidth -ImageHeight"), "1600\n1200\n");
    EXPECT_TRUE(std::filesystem::exists(roll / "IMG_0002.THM"));
    EXPECT_FALSE(std::filesystem::exists(roll / "IMG_0003.JPG"));
    EXPECT_EQ(testenv::exifValues(roll / "IMG_0001.JPG", "-GPSLatitude -GPSLongitude -GPSLatitudeRef"), "");
    EXPECT_EQ(testenv::exifValues(roll / "IMG_0002.JPG", "-GPSLatitude -GPSLongitude -GPSLatitudeRef -GPSLongitudeRef"),
              "-33.5\n151.25\nS\nE\n");

    // At a fractional scale, without --event-log: the lines go to standard output, and a failing
    // command makes status 1 while the application still terminates.
    testenv::writeFile(dir / "fail.script", "wait 1\nscreenshot shot1.png\ntap \"No such button\"\nwait 5\n");
    r = run(cd + kestrova("--headless --scale 1.5 --device-root device --script fail.script"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("script:3: tap: no visible button titled \"No such button\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1.000 terminate\n"), std::string::npos) << r.out;
    EXPECT_EQ(testenv::pngSize(dir / "shot1.png"), (std::pair<uint32_t, uint32_t>{480, 720}));
}

// Without a display the device runs headless in every respect: one line says so, and no webcam
// is looked for (the synthetic camera, as in any headless run). Without a script it would idle
// with no sign of life: its line says what ends it and what gives it work, and Ctrl+C does end it.
// While it runs, a second copy on its device root would share its camera roll's numbers and its
// preferences: that one stops at once with one line.
TEST(HostBinary, NoDisplayRunsHeadlessAndHoldsItsDeviceRootButADisplayThatCannotBeOpenedStops) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script", "wait 1\ntap 160 200\nwait 2\nquit\n");
    const std::string script = " --script " + shellQuote((dir / "s.script").string());
    auto onRoot = [&](const std::string& root) {
        return kestrova("--device-root " + shellQuote((dir / root).string()) + " --event-log " +
                        shellQuote((dir / (root + ".log")).string()));
    };
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 ";
    auto r = run(noDisplay + onRoot("device") + script);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("kestrova: no display (", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "device/var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG"));

    // The camera roll is made once the root is held.
    const std::string out = (dir / "out.txt").string(), idle = (dir / "idle").string();
    r = run(noDisplay + onRoot("idle") + " >" + shellQuote(out) + " 2>&1 & pid=$!\n"
            "for i in $(seq 400); do [ -d " + shellQuote(idle + "/var/mobile/Media/DCIM") +
            " ] && break; sleep 0.05; done\n" +
            kestrova("--headless --device-root " + shellQuote(idle)) + script + " 2>&1; echo \"second=$?\"\n"
            "kill -INT $pid; wait $pid; echo \"exit=$?\"");
    EXPECT_EQ(r.out, "kestrova: --device-root: another kestrova is running on " + idle + "\nsecond=2\nexit=0\n");
    EXPECT_EQ(testenv::readFile(out),
              "kestrova: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): running headless until Ctrl+C; "
              "--script FILE gives it work\n");

    // A display that is named but cannot be opened is an error, never an invisible window: one line
    // naming what was tried, status 1, nothing started.
    int number = 77;  // a display with no server: no socket of that number here
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
    r = run("env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:" + std::to_string(number) + " " +
            kestrova("--device-root " + shellQuote((dir / "unopened").string())));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.out.rfind("kestrova: cannot open the X11 display \":" + std::to_string(number) + "\" (", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "unopened"));
}
