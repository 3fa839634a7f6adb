// The built kestrova executable: option and script errors stop it before anything starts, and a
// headless script session leaves its screenshot and event log behind.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

using testenv::run;
using testenv::shellQuote;

namespace {

std::string kestrova(const std::string& args) { return shellQuote(testenv::kestrovaBinary()) + " " + args; }

// Width and height from a PNG's IHDR chunk.
std::pair<uint32_t, uint32_t> pngSize(const std::string& bytes) {
    auto be32 = [&](size_t at) {
        return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
               uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
    };
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
    return {be32(16), be32(20)};
}

}  // namespace

TEST(HostBinary, BadOptionsStopBeforeAnythingStarts) {
    testenv::ScratchDir dir;
    const std::string root = shellQuote((dir / "device").string());
    struct Case {
        std::string args;
        std::string line;
    };
    const Case cases[] = {
        {"--scale 9", "kestrova: --scale: expected a number from 0.5 to 8, got '9'\n"},
        {"--frobnicate", "kestrova: unknown option '--frobnicate' (try --help)\n"},
        {"--orientation", "kestrova: --orientation: missing value\n"},
        {"--language es", "kestrova: --language: expected en, ja, zh-Hans, zh-Hant, de or fr, got 'es'\n"},
    };
    for (const auto& c : cases) {
        auto r = run(kestrova("--headless --device-root " + root + " " + c.args));
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, c.line);
    }
    // Nothing started: not even the device root was made.
    EXPECT_FALSE(std::filesystem::exists(dir / "device"));

    // --help is no error.
    auto help = run(kestrova("--help"));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: kestrova", 0), 0u);
    EXPECT_NE(help.out.find("location-services on|off"), std::string::npos) << help.out;
}

TEST(HostBinary, ScriptErrorsNameTheLine) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "bad.script", "# fine\nwait 1\n\ntap 10 900\nquit\n");
    auto r = run(kestrova("--headless --device-root " + shellQuote((dir / "device").string()) + " --script " +
                          shellQuote((dir / "bad.script").string())));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "script:4: tap: y 900 is off the 320 x 480 screen\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "device"));
    testenv::writeFile(dir / "switch.script", "location-services on\nlocation-services of\n");
    r = run(kestrova("--headless --device-root " + shellQuote((dir / "device").string()) + " --script " +
                     shellQuote((dir / "switch.script").string())));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "script:2: location-services: expected on or off, got 'of'\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "device"));

    r = run(kestrova("--headless --script " + shellQuote((dir / "missing.script").string())));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "script: cannot read " + (dir / "missing.script").string() + "\n");
    // A FIFO nobody writes to would be waited on for ever: refused without opening it.
    ASSERT_EQ(::mkfifo((dir / "fifo.script").c_str(), 0600), 0);
    r = run("timeout -s KILL 60 " + kestrova("--headless --script " + shellQuote((dir / "fifo.script").string())));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "script: cannot read " + (dir / "fifo.script").string() + ": not a regular file\n");
}

TEST(HostBinary, HeadlessSessionWritesScreenshotAndEventLog) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script",
                       "wait 30\n"
                       "screenshot shot.png\n"
                       "quit\n");
    const std::string cmd = "cd " + shellQuote(dir.path().string()) + " && " +
                            kestrova("--headless --scale 2 --device-root device --event-log events.log --script s.script");
    auto r = run(cmd);
    EXPECT_EQ(r.status, 0) << r.out;

    // The screenshot is the 320 x 480 screen at scale 2.
    auto size = pngSize(testenv::readFile(dir / "shot.png"));
    EXPECT_EQ(size.first, 640u);
    EXPECT_EQ(size.second, 960u);

    // The event log stamps virtual seconds: the wait cost 30 s of device time.
    const std::string events = testenv::readFile(dir / "events.log");
    const std::string last = "30.000 terminate\n";
    EXPECT_TRUE(events.size() >= last.size() && events.compare(events.size() - last.size(), last.size(), last) == 0)
        << events;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "device"));

    // Without --event-log the lines go to standard output; a failing command makes status 1 and
    // the application still terminates.
    testenv::writeFile(dir / "fail.script", "wait 1\ntap \"No such button\"\nwait 5\n");
    r = run("cd " + shellQuote(dir.path().string()) + " && " +
            kestrova("--headless --device-root device --script fail.script"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("script:2: tap: no visible button titled \"No such button\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1.000 terminate\n"), std::string::npos) << r.out;
}

TEST(HostBinary, EventLogFileThatCannotBeWritten) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script", "quit\n");
    auto r = run(kestrova("--headless --device-root " + shellQuote((dir / "device").string()) +
                          " --event-log /nonexistent/dir/log --script " + shellQuote((dir / "s.script").string())));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "kestrova: --event-log: cannot write /nonexistent/dir/log: No such file or directory\n");
}

// Without a display the device runs headless in every respect: one line says so, and no webcam
// is looked for (the synthetic camera, as in any headless run).
TEST(HostBinary, NoDisplayRunsHeadlessWithOneLine) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script", "wait 1\ntap 160 200\nwait 2\nquit\n");
    auto r = run("env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 " +
                 kestrova("--device-root " + shellQuote((dir / "device").string()) + " --event-log " +
                          shellQuote((dir / "events.log").string()) + " --script " +
                          shellQuote((dir / "s.script").string())));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("kestrova: no display (", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "device/var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG"));
}

TEST(HostBinary, VersionIsTheBundles) {
    auto r = run(kestrova("--version"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "kestrova 2.1\n");
}

TEST(HostBinary, HeadlessScreenshotsAtTheScaleInUse) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script", "wait 1\nscreenshot shot.png\nquit\n");
    const std::string cd = "cd " + shellQuote(dir.path().string()) + " && ";
    // Headless without --scale: 2.
    auto r = run(cd + kestrova("--headless --device-root device --event-log events.log --script s.script"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(pngSize(testenv::readFile(dir / "shot.png")), (std::pair<uint32_t, uint32_t>{640, 960}));
    // A fraction.
    r = run(cd + kestrova("--headless --scale 1.5 --device-root device --event-log events.log --script s.script"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(pngSize(testenv::readFile(dir / "shot.png")), (std::pair<uint32_t, uint32_t>{480, 720}));
}

TEST(HostBinary, LanguageFromTheLocaleWithoutTheOption) {
    // The help page shows the device language's text.
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "s.script", "wait 2\ntap @infoButton\nwait 2\nscreenshot shot.png\nquit\n");
    auto screen = [&](const std::string& env, const std::string& args) {
        std::filesystem::remove_all(dir / "device");
        auto r = run("cd " + shellQuote(dir.path().string()) + " && env -u LANGUAGE -u LC_ALL -u LC_MESSAGES " + env +
                     " " + kestrova("--headless " + args + " --device-root device --event-log events.log --script s.script"));
        EXPECT_EQ(r.status, 0) << env << " " << args << ": " << r.out;
        return testenv::readFile(dir / "shot.png");
    };
    const std::string japanese = screen("LANG=C", "--language ja");
    const std::string english = screen("LANG=C", "--language en");
    ASSERT_FALSE(japanese.empty());
    ASSERT_NE(japanese, english);
    EXPECT_EQ(screen("LANG=ja_JP.UTF-8", ""), japanese);
    EXPECT_EQ(screen("LANG=C", ""), english);
    EXPECT_EQ(screen("LANGUAGE=ja LANG=de_DE.UTF-8", ""), japanese);
    // The option wins over the locale.
    EXPECT_EQ(screen("LANG=ja_JP.UTF-8", "--language en"), english);
}
