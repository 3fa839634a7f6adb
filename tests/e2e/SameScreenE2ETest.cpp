// The built kestrova, headless, on a machine whose fontconfig set-up is hostile: Helvetica and
// sans-serif aliased to a serif face. The tips band, the information page and the help text must
// come out pixel for pixel as on a plain machine, in Latin and CJK languages.
#include "platform/graphics/PNGFile.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testenv::run;
using testenv::shellQuote;

// A complete fontconfig configuration: the machine's font folders, every face a serif one.
constexpr const char* kSerifEverywhere = R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <cachedir>CACHE</cachedir>
  <match target="pattern">
    <test name="family"><string>Helvetica</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>DejaVu Serif</string></edit>
  </match>
  <match target="pattern">
    <test name="family"><string>sans-serif</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>DejaVu Serif</string></edit>
  </match>
  <match target="pattern">
    <edit name="family" mode="prepend_first" binding="strong"><string>DejaVu Serif</string></edit>
  </match>
</fontconfig>
)";

// Holds the colour option (tips band up), then the information page, then its help text.
constexpr const char* kScript =
    "wait 1.5\n"
    "hold 50 409 0.7\n"
    "screenshot tips.png\n"
    "wait 1\n"
    "tap @infoButton\n"
    "wait 1\n"
    "screenshot info.png\n"
    "tap @helpButton\n"
    "wait 1\n"
    "screenshot help.png\n"
    "quit\n";

TEST(SameScreenE2E, FontconfigAliasesOfTheMachineChangeNoPixel) {
    testenv::ScratchDir dir;
    std::string conf = kSerifEverywhere;
    conf.replace(conf.find("CACHE"), 5, (dir / "fc-cache").string());
    testenv::writeFile(dir / "serif.conf", conf);
    testenv::writeFile(dir / "shots.script", kScript);
    const std::string hostile = "FONTCONFIG_FILE=" + shellQuote((dir / "serif.conf").string()) + " ";

    // The setting does what it says for programs that use the machine's fontconfig.
    auto probe = run(hostile + "fc-match --format='%{family}\\n' Helvetica; " + hostile +
                     "fc-match --format='%{family}\\n' sans-serif");
    ASSERT_EQ(probe.status, 0) << probe.out;
    EXPECT_EQ(probe.out, "DejaVu Serif\nDejaVu Serif\n") << probe.out;

    std::vector<std::string> helpPages;
    for (const char* language : {"en", "ja", "zh-Hans"}) {
        SCOPED_TRACE(language);
        auto shots = [&](const std::string& env, const std::string& folder) {
            fs::create_directories(dir / folder);
            auto r = run("cd " + shellQuote((dir / folder).string()) + " && " + env +
                         shellQuote(testenv::kestrovaBinary()) + " --headless --scale 2 --device-root device " +
                         "--language " + language + " --script " + shellQuote((dir / "shots.script").string()));
            EXPECT_EQ(r.status, 0) << r.out;
            return std::vector<std::string>{testenv::readFile(dir / folder / "tips.png"),
                                            testenv::readFile(dir / folder / "info.png"),
                                            testenv::readFile(dir / folder / "help.png")};
        };
        auto plain = shots("", std::string("plain-") + language);
        auto serif = shots(hostile, std::string("serif-") + language);
        const char* names[] = {"tips", "info", "help"};
        for (size_t i = 0; i < plain.size(); ++i) {
            EXPECT_GT(plain[i].size(), 1000u) << names[i];
            EXPECT_TRUE(plain[i] == serif[i]) << names[i] << " differs with the serif aliases";
        }
        // The tips band is up, its current state in light blue.
        auto tips = platform::PNGFile::read(dir / (std::string("plain-") + language) / "tips.png");
        ASSERT_TRUE(tips);
        int highlighted = 0;
        for (int y = 0; y < tips->height(); ++y)
            for (int x = 0; x < tips->width(); ++x) {
                const uint8_t* p = tips->pixel(x, y);
                if (p[0] == 0xEF && p[1] == 0xAE && p[2] == 0x00) ++highlighted;
            }
        EXPECT_GT(highlighted, 20);
        // The three screens differ from one another: the screenshots show what the script did.
        EXPECT_NE(plain[0], plain[1]);
        EXPECT_NE(plain[1], plain[2]);
        helpPages.push_back(plain[2]);
    }
    // Each language shows its own help text.
    EXPECT_NE(helpPages[0], helpPages[1]);
    EXPECT_NE(helpPages[1], helpPages[2]);
}

}  // namespace
