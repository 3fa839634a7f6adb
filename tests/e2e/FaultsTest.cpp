// The built kestrova, headless, against faults a real device meets: a full disk, kill -9 just
// before a rename, broken preferences, a camera that is no camera and a damaged bundle. Each case
// expects no crash, every file that was on disk before still there byte for byte, and no partial
// or empty .JPG or .THM. (Links, unreadable folders and interrupted writes in the camera roll are
// the file manager's and the camera roll's tests'.)
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using faults::Session;
using testenv::run;
using testenv::shellQuote;

const char* kOneShot = "wait 2\ntap @snapButton\nwait 2\nquit\n";

// Disk full: a small tmpfs as the device root. Writes fail while it is full, the session goes on
// to its end, and once there is room again pictures succeed.
TEST(Faults, DiskFullKeepsRunningAndRecoversWhenThereIsRoom) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    fs::create_directories(root);
    if (::mount("tmpfs", root.c_str(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root; disk-full case not run";
    struct Unmount {
        fs::path p;
        ~Unmount() { ::umount2(p.c_str(), MNT_DETACH); }
    } unmount{root};

    // With room: one picture.
    Session first = faults::runKestrova(dir.path(), root, kOneShot);
    ASSERT_EQ(first.status, 0) << first.out;
    ASSERT_EQ(faults::pictures(root).size(), 1u) << first.out;
    const auto before = faults::snapshotMedia(root);

    // Full: a filler takes every free byte. Two shots fail; a screenshot afterwards shows the
    // application still runs its session.
    const fs::path filler = root / "filler";
    faults::fillDisk(filler);
    const fs::path alive = dir / "alive.png";
    Session full = faults::runKestrova(dir.path(), root,
                                       "wait 2\ntap @snapButton\nwait 2\ntap @snapButton\nwait 2\nscreenshot " +
                                           alive.string() + "\nquit\n");
    EXPECT_EQ(full.status, 0) << full.out;
    EXPECT_TRUE(fs::exists(alive)) << full.out;
    EXPECT_EQ(faults::lostFiles(before), std::vector<std::string>{});
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});

    // Room again: the next picture succeeds.
    fs::remove(filler);
    Session again = faults::runKestrova(dir.path(), root, kOneShot);
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_GT(faults::pictures(root).size(), 1u) << again.out;
    EXPECT_EQ(faults::lostFiles(before), std::vector<std::string>{});
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
}

// kill -9 at the moment an atomic write is most exposed: its temporary is complete and synced, its
// rename not yet made, in the preferences, a thumbnail or a picture. Everything on disk before is
// unchanged, and the next start removes the temporary and carries on from the files as they are.
TEST(Faults, KillJustBeforeARenameLeavesTheOldFilesAndTheNextStartClearsTheTemporary) {
    const std::string burst = "wait 2\ntap @snapButton\nwait 2\nquit\n";
    struct Case {
        const char* what;
        const char* killAt;  // the rename's name ends so, and which one it is
        size_t picturesLeft;
    };
    // The preferences are written at the end, after the burst's three pictures.
    for (const Case& c : {Case{"preferences", ".plist:1", 3}, Case{"first thumbnail", ".THM:1", 0},
                          Case{"second picture", ".JPG:2", 1}}) {
        SCOPED_TRACE(c.what);
        testenv::ScratchDir dir;
        const fs::path root = dir / "device";
        faults::writePreferences(root,
                                 "<key>BurstMode</key><integer>1</integer><key>ColorMode</key><integer>2</integer>");
        const std::string preferences = testenv::readFile(faults::preferencesFile(root));
        const auto before = faults::snapshotMedia(root);

        Session killed = faults::runKestrova(dir.path(), root, burst, "", {},
                                             "LD_PRELOAD=" + shellQuote(KILL_BEFORE_RENAME_LIBRARY) +
                                                 " ASAN_OPTIONS=verify_asan_link_order=0"
                                                 " KESTROVA_KILL_BEFORE_RENAME=" + c.killAt);
        ASSERT_EQ(killed.status, 137) << "not killed at its rename: " << killed.out;
        // The interrupted write's temporary: the kill came where it was meant to.
        EXPECT_EQ(faults::temporaryFiles(root).size(), 1u);
        EXPECT_EQ(testenv::readFile(faults::preferencesFile(root)), preferences);
        EXPECT_EQ(faults::lostFiles(before), std::vector<std::string>{});
        EXPECT_EQ(faults::pictures(root).size(), c.picturesLeft);
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});

        Session next = faults::runKestrova(dir.path(), root, burst);
        EXPECT_EQ(next.status, 0) << next.out;
        EXPECT_EQ(faults::temporaryFiles(root), std::vector<std::string>{});
        EXPECT_EQ(faults::pictures(root).size(), c.picturesLeft + 3) << next.out;
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
        auto xml =
            run(testenv::plistutil() + " -i " + shellQuote(faults::preferencesFile(root).string()) + " -f xml -o -");
        ASSERT_EQ(xml.status, 0) << xml.out;
        EXPECT_TRUE(std::regex_search(xml.out, std::regex("<key>ColorMode</key>\\s*<integer>2</integer>"))) << xml.out;
    }
}

// Preferences of the wrong types and out of range, and files that cannot be read at all (the
// parsers' and the preferences' own tests see every broken byte; here the whole program): the
// application starts, shoots, every setting it saves on the way out is in range, and the saved file
// is a valid property list. A FIFO or a huge file that were read would hang the session until its
// watchdog.
TEST(Faults, BrokenPreferencesStartCleanAndSaveAValidFile) {
    testenv::ScratchDir dir;
    const std::string wrongTypes =
        "<key>ColorMode</key><string>7 colours</string>"
        "<key>BurstMode</key><array><integer>1</integer></array>"
        "<key>TimerMode</key><real>1e300</real>"
        "<key>LevelerMode</key><date>2001-01-01T00:00:00Z</date>"
        "<key>QuietMode</key><data>AAAA</data>"
        "<key>ImageSize</key><integer>-9223372036854775808</integer>"
        "<key>PreviewState</key><integer>42</integer>"
        "<key>ZoomMode</key><dict><key>a</key><true/></dict>"
        "<key>RotateMode</key><string>-1</string>"
        "<key>TouchRingSize</key><integer>99</integer>"
        "<key>OptionsBarPageNumber</key><string>77</string>"
        "<key>OptionsBarHidden</key><string>perhaps</string>";
    // Saved integer settings and the greatest value each may have (the least is 0).
    const std::pair<const char*, long long> ranges[] = {
        {"ColorMode", 6}, {"TimerMode", 3},    {"LevelerMode", 1},   {"QuietMode", 1},
        {"ImageSize", 2}, {"BurstMode", 1},    {"PreviewState", 2},  {"TouchRingSize", 2},
        {"ZoomMode", 1},  {"RotateMode", 1},   {"OptionsBarPageNumber", 2}};
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const std::vector<Case> cases = {
        {"wrong types and ranges", [&](const fs::path& f) { testenv::writeFile(f, faults::preferencesXml(wrongTypes)); }},
        {"a FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }},
        {"300 MB",
         [](const fs::path& f) {
             testenv::writeFile(f, faults::preferencesXml("<key>ColorMode</key><integer>2</integer>"));
             fs::resize_file(f, uintmax_t(300) << 20);  // sparse: costs no disk
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir / c.name;
        const fs::path file = faults::preferencesFile(root);
        fs::create_directories(file.parent_path());
        c.make(file);
        Session s =
            faults::runKestrova(dir.path(), root, "wait 1\nresign\nactivate\nwait 1\ntap @snapButton\nwait 2\nquit\n");
        EXPECT_EQ(s.status, 0) << s.out;
        EXPECT_EQ(faults::pictures(root).size(), 1u) << s.out;
        auto xml = run(testenv::plistutil() + " -i " + shellQuote(file.string()) + " -f xml -o -");
        ASSERT_EQ(xml.status, 0) << xml.out;
        for (const auto& [key, limit] : ranges) {
            std::smatch m;
            const std::regex re(std::string("<key>") + key + "</key>\\s*<integer>(-?[0-9]+)</integer>");
            ASSERT_TRUE(std::regex_search(xml.out, m, re)) << key << " missing or not an integer in\n" << xml.out;
            const long long v = std::stoll(m[1]);
            EXPECT_TRUE(v >= 0 && v <= limit) << key << " = " << v;
        }
        EXPECT_TRUE(std::regex_search(xml.out, std::regex("<key>OptionsBarHidden</key>\\s*<(true|false)/>")))
            << xml.out;
    }
}

// Libraries speak only through our one line: libv4l2 has nothing to say on the terminal.
TEST(Faults, ACameraThatIsNoCameraIsOneLineAndNoLibraryMessage) {
    testenv::ScratchDir dir;
    Session s = faults::runKestrova(dir.path(), dir / "device", "wait 1\nquit\n",
                                    "--camera v4l2:/dev/null --event-log " + shellQuote((dir / "log").string()));
    EXPECT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(std::count(s.out.begin(), s.out.end(), '\n'), 1) << s.out;
    EXPECT_EQ(s.out.rfind("warning: camera v4l2:/dev/null cannot be opened", 0), 0u) << s.out;
}

// A damaged bundle, installed the way a user would: the executable in bin, the bundle in
// share/kestrova. Without Info.plist the host says so and stops; without pictures, strings or
// the interface file the application runs without them, or stops with one line; never a crash.
TEST(Faults, MissingBundleResources) {
    testenv::ScratchDir dir;
    const fs::path bin = dir / "bin", bundle = dir / "share/kestrova";
    fs::create_directories(bin);
    fs::copy_file(testenv::kestrovaBinary(), bin / "kestrova");
    fs::permissions(bin / "kestrova", fs::perms::owner_all, fs::perm_options::add);

    struct Case {
        const char* name;
        std::vector<std::string> remove;
        int status;
        size_t pictures;
        const char* said;  // part of the output
    };
    const Case cases[] = {
        {"no artwork and no strings",
         {"images", "en.lproj", "de.lproj", "fr.lproj", "ja.lproj", "zh-Hans.lproj", "zh-Hant.lproj"}, 0, 1, "terminate"},
        // No window contents: the script cannot find the shutter (status 1), and the application
        // ends cleanly.
        {"no interface file", {"MainWindow.json"}, 1, 0, "@snapButton"},
        {"no Info.plist", {"Info.plist"}, 2, 0, "bundle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(bundle);
        fs::create_directories(bundle);
        fs::copy(testenv::bundleDir(), bundle, fs::copy_options::recursive);
        for (const auto& r : c.remove) fs::remove_all(bundle / r);
        const fs::path root = dir / (std::string("device-") + c.name);
        Session s = faults::runKestrova(dir.path(), root, kOneShot, "", bin / "kestrova");
        EXPECT_EQ(s.status, c.status) << s.out;
        EXPECT_EQ(faults::pictures(root).size(), c.pictures) << s.out;
        EXPECT_NE(s.out.find(c.said), std::string::npos) << s.out;
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    }
}

}  // namespace
