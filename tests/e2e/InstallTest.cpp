// `make install` into a scratch prefix: the files land where a Linux desktop looks for them, and
// the installed program, run from there, finds its own bundle and takes a picture.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testenv::run;
using testenv::shellQuote;

TEST(Install, InstalledProgramRunsFromItsPrefix) {
    const fs::path build = fs::path(testenv::kestrovaBinary()).parent_path();
    if (!fs::exists(build / "icon/kestrova.png")) GTEST_SKIP() << "the icon is not built in " << build << " (make build)";
    testenv::ScratchDir dir;
    const fs::path prefix = dir / "prefix";
    auto installed = run("cmake --install " + shellQuote(build.string()) + " --prefix " + shellQuote(prefix.string()));
    ASSERT_EQ(installed.status, 0) << installed.out;

    EXPECT_TRUE(fs::is_regular_file(prefix / "bin/kestrova"));
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/kestrova/Info.plist"));
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/kestrova/MainWindow.json"));
    const std::string desktop = testenv::readFile(prefix / "share/applications/kestrova.desktop");
    EXPECT_NE(desktop.find("Exec=kestrova"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("Icon=kestrova"), std::string::npos) << desktop;
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/icons/hicolor/scalable/apps/kestrova.svg"));
    // The rendered icon is a 256 x 256 PNG: width and height are big-endian at bytes 16..23.
    const std::string png = testenv::readFile(prefix / "share/icons/hicolor/256x256/apps/kestrova.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\1\0\0\0\1\0", 8));

    // Run from the prefix, the build tree's bundle out of reach of its search.
    testenv::writeFile(dir / "shot.script", "wait 2\ntap @snapButton\nwait 2\nquit\n");
    auto r = run(shellQuote((prefix / "bin/kestrova").string()) + " --headless --device-root " +
                 shellQuote((dir / "device").string()) + " --script " + shellQuote((dir / "shot.script").string()));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir / "device/var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG")) << r.out;
}

}  // namespace
