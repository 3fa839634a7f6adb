// The built kestrova, headless, on a machine whose fontconfig set-up is hostile: Helvetica and
// sans-serif aliased to a serif face. The information page and its help text, in Latin and CJK,
// must come out pixel for pixel as on a plain machine.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

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

TEST(SameScreenE2E, FontconfigAliasesOfTheMachineChangeNoPixel) {
    testenv::ScratchDir dir;
    std::string conf = kSerifEverywhere;
    conf.replace(conf.find("CACHE"), 5, (dir / "fc-cache").string());
    testenv::writeFile(dir / "serif.conf", conf);
    testenv::writeFile(dir / "shots.script", "wait 1.5\ntap @infoButton\nwait 1\nscreenshot info.png\ntap @helpButton\n"
                                              "wait 1\nscreenshot help.png\nquit\n");
    const std::string hostile = "FONTCONFIG_FILE=" + shellQuote((dir / "serif.conf").string()) + " ";

    // The setting does what it says for programs that use the machine's fontconfig.
    auto probe = run(hostile + "fc-match --format='%{family}\\n' Helvetica; " + hostile +
                     "fc-match --format='%{family}\\n' sans-serif");
    ASSERT_EQ(probe.status, 0) << probe.out;
    EXPECT_EQ(probe.out, "DejaVu Serif\nDejaVu Serif\n") << probe.out;

    auto shots = [&](const std::string& env, const std::string& folder) {
        std::filesystem::create_directories(dir / folder);
        auto r = run("cd " + shellQuote((dir / folder).string()) + " && " + env +
                     shellQuote(testenv::kestrovaBinary()) + " --headless --scale 2 --device-root device " +
                     "--language ja --script " + shellQuote((dir / "shots.script").string()));
        EXPECT_EQ(r.status, 0) << r.out;
        return std::vector<std::string>{testenv::readFile(dir / folder / "info.png"),
                                        testenv::readFile(dir / folder / "help.png")};
    };
    const auto plain = shots("", "plain"), serif = shots(hostile, "serif");
    // Two screens, the help text over the page, each the same with the serif aliases.
    EXPECT_GT(plain[0].size(), 1000u);
    EXPECT_NE(plain[0], plain[1]);
    EXPECT_TRUE(plain == serif) << "the information page or its help differs with the serif aliases";
}

}  // namespace
