// The built kestrova, headless: the information page with its help text in two languages, and the
// double-tap launch confirmed (or cancelled) by a script, as the home screen and the log see it.
#include "platform/graphics/PNGFile.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testenv::run;
using testenv::shellQuote;

std::string kestrova(const fs::path& dir, const std::string& args) {
    return "cd " + shellQuote(dir.string()) + " && " + shellQuote(testenv::kestrovaBinary()) +
           " --headless --scale 2 --device-root device " + args;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The event log's lines without their time stamps.
std::vector<std::string> events(const fs::path& log) {
    std::vector<std::string> out;
    for (const auto& line : lines(testenv::readFile(log))) {
        auto space = line.find(' ');
        out.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return out;
}

// B,G,R of the screenshot pixel at point (x, y), scale 2.
std::vector<int> colourAt(const platform::ImageRef& shot, int x, int y) {
    const uint8_t* p = shot->pixel(x * 2, y * 2);
    return {p[2], p[1], p[0]};
}

void expectNear(const std::vector<int>& got, const std::vector<int>& want, const char* what) {
    for (size_t i = 0; i < 3; ++i) EXPECT_LE(std::abs(got[i] - want[i]), 1) << what << " channel " << i;
}

TEST(InfoPageE2E, HelpScreenshotsInEnglishAndJapanese) {
    testenv::ScratchDir dir;
    testenv::writeFile(dir / "help.script",
                       "wait 1.5\n"
                       "tap @infoButton\n"
                       "wait 1\n"
                       "screenshot page.png\n"
                       "tap @helpButton\n"
                       "wait 1\n"
                       "screenshot help.png\n"
                       "quit\n");
    std::vector<std::string> helpShots;
    for (const char* language : {"en", "ja"}) {
        SCOPED_TRACE(language);
        fs::remove_all(dir / "device");
        auto r = run(kestrova(dir.path(), std::string("--language ") + language + " --script help.script"));
        ASSERT_EQ(r.status, 0) << r.out;
        auto page = platform::PNGFile::read(dir / "page.png");
        auto help = platform::PNGFile::read(dir / "help.png");
        ASSERT_TRUE(page && help);
        EXPECT_EQ(help->width(), 640);
        EXPECT_EQ(help->height(), 960);
        // A bare corner of the page shows its background (#121419); with the help up, the help
        // page's own background (#0B0D11) at 0.7 lies over it.
        expectNear(colourAt(page, 316, 470), {0x12, 0x14, 0x19}, "page");
        expectNear(colourAt(help, 316, 470), {13, 15, 19}, "help");
        helpShots.push_back(testenv::readFile(dir / "help.png"));
    }
    // The two languages show different help pages.
    ASSERT_EQ(helpShots.size(), 2u);
    EXPECT_NE(helpShots[0], helpShots[1]);
}

TEST(InfoPageE2E, ScriptConfirmsTheDoubleTapLaunch) {
    testenv::ScratchDir dir;
    const fs::path prefs = dir / "device/var/mobile/Library/Preferences";
    const fs::path springboard = prefs / "com.apple.springboard.plist";
    const std::string seeded = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>SBAutoLockTime</key>
	<integer>60</integer>
	<key>SBShowBatteryPercentage</key>
	<true/>
</dict>
</plist>
)";
    auto script = [&](int button) {
        return "wait 1.5\n"
               "tap @infoButton\n"
               "wait 1\n"
               "tap @doubleTapButton\n"
               "wait 0.5\n"
               "sheet " +
               std::to_string(button) +
               "\n"
               "wait 0.5\n"
               "quit\n";
    };

    // Cancel: the home screen's file stays as it was, and nothing is posted.
    fs::create_directories(prefs);
    testenv::writeFile(springboard, seeded);
    testenv::writeFile(dir / "cancel.script", script(1));
    auto r = run(kestrova(dir.path(), "--event-log cancel.log --script cancel.script"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(testenv::readFile(springboard), seeded);
    auto log = events(dir / "cancel.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), "notify com.apple.language.changed"), 0);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "terminate");

    // Confirm: the address joins the other keys, and the notification goes out once, before the
    // application has ended.
    testenv::writeFile(dir / "confirm.script", script(0));
    r = run(kestrova(dir.path(), "--event-log confirm.log --script confirm.script"));
    ASSERT_EQ(r.status, 0) << r.out;
    auto xml = run(testenv::plistutil() + " -f xml -i " + shellQuote(springboard.string()));
    ASSERT_EQ(xml.status, 0) << xml.out;
    EXPECT_NE(xml.out.find("<key>SBAutoLockTime</key>\n\t<integer>60</integer>"), std::string::npos) << xml.out;
    EXPECT_NE(xml.out.find("<key>SBShowBatteryPercentage</key>\n\t<true/>"), std::string::npos) << xml.out;
    EXPECT_NE(xml.out.find("<key>SBDoubleTapURL</key>\n\t<string>doubletap://org.kestrova.camera</string>"),
              std::string::npos)
        << xml.out;
    log = events(dir / "confirm.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), "notify com.apple.language.changed"), 1);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "notify com.apple.language.changed");
    EXPECT_EQ(log.back(), "terminate");
}

}  // namespace
