// The built kestrova, headless, against moments and neighbours a hostile user could arrange:
// shutters at the very start and the very end of a session, a second instance on the same device
// root, and a library with something to say. Every shutter sound's picture must be written.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using faults::Session;

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A tap 0.2 s and a volume press 0.45 s after start, before the picture writer has started, and a
// program asked to end right after its shutter: every shutter sound is a whole picture with its
// thumbnail, numbered after those already in the roll.
TEST(HostileFiles, EveryShutterAtTheEdgesOfASessionHasItsPicture) {
    testenv::ScratchDir dir;
    struct Case {
        const char* script;
        size_t shutters;
    };
    for (const Case& c : {Case{"wait 0.2\ntap @snapButton\nwait 0.25\nkey volume-up\nwait 3\nquit\n", 2},
                          Case{"wait 2\ntap @snapButton\nquit\n", 1},
                          Case{"wait 2\nkey volume-up\nwait 0.05\nquit\n", 1}}) {
        SCOPED_TRACE(c.script);
        const fs::path root = dir / std::to_string(std::hash<std::string>{}(c.script));
        const fs::path folder = root / "var/mobile/Media/DCIM/100APPLE";
        faults::copyFile(faults::sampleJpeg(dir.path()), folder / "IMG_0010.JPG");
        Session s = faults::runKestrova(dir.path(), root, c.script);
        EXPECT_EQ(s.status, 0) << s.out;
        ASSERT_EQ(count(s.out, "sound shutter"), c.shutters) << s.out;
        for (size_t i = 1; i <= c.shutters; ++i) {
            const std::string name = "IMG_00" + std::to_string(10 + i);
            EXPECT_TRUE(fs::exists(folder / (name + ".JPG"))) << name << ": " << s.out;
            EXPECT_TRUE(fs::exists(folder / (name + ".THM"))) << name << ": " << s.out;
        }
        EXPECT_EQ(faults::pictures(root).size(), 1 + c.shutters);
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    }
}

// A second copy started again and again while the first shoots 25 bursts: each one stops at once
// with one line, and every shutter sound of the first has its picture and thumbnail.
TEST(HostileFiles, ASecondCopyOnTheSameDeviceRootLeavesTheFirstAlone) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    faults::writePreferences(root, "<key>BurstMode</key><integer>1</integer>");
    std::string bursts = "wait 2\n";
    for (int i = 0; i < 25; ++i) bursts += "tap @snapButton\nwait 1\n";
    bursts += "quit\n";

    std::atomic<bool> firstRunning{true};
    Session first;
    std::thread shooter([&] {
        first = faults::runKestrova(dir.path(), root, bursts);
        firstRunning = false;
    });
    // The first holds the root once its camera roll is there (the roll is made after the lock).
    const fs::path roll = root / "var/mobile/Media/DCIM/100APPLE";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (firstRunning && !fs::exists(roll) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!fs::exists(roll)) {
        shooter.join();
        FAIL() << "the first copy never made its camera roll: " << first.out;
    }
    int refused = 0, seconds = 0;
    while (firstRunning) {
        Session second = faults::runKestrova(dir.path(), root, "wait 1\nquit\n");
        if (!firstRunning) break;  // it may have started after the first ended
        ++seconds;
        if (second.status == 2 && count(second.out, "\n") == 1 &&
            second.out.find("another kestrova is running") != std::string::npos)
            ++refused;
        else
            ADD_FAILURE() << "second copy, status " << second.status << ": " << second.out;
    }
    shooter.join();
    EXPECT_GT(refused, 0);
    EXPECT_EQ(first.status, 0) << first.out;
    const size_t shutters = count(first.out, "sound shutter");
    EXPECT_EQ(shutters, 75u);
    EXPECT_EQ(faults::pictures(root).size(), shutters);
    size_t thumbnails = 0;
    for (const auto& p : faults::pictures(root)) thumbnails += fs::exists(fs::path(p).replace_extension(".THM"));
    EXPECT_EQ(thumbnails, shutters);
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    EXPECT_EQ(faults::temporaryFiles(root), std::vector<std::string>{});
    std::printf("second copies started during the bursts: %d, all refused\n", seconds);
}

// Libraries speak only through our one line: libv4l2 has nothing to say on the terminal.
TEST(HostileFiles, LibraryMessagesStayOffTheTerminal) {
    testenv::ScratchDir dir;
    Session s = faults::runKestrova(dir.path(), dir / "device", "wait 1\nquit\n",
                                    "--camera v4l2:/dev/null --event-log " + testenv::shellQuote((dir / "log").string()));
    EXPECT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(count(s.out, "\n"), 1u) << s.out;
    EXPECT_EQ(s.out.rfind("warning: camera v4l2:/dev/null cannot be opened", 0), 0u) << s.out;
}

}  // namespace
