// The built kestrova, headless, against faults a real device meets: a full disk, folders it may
// not write or read, loops, kill -9 in the middle of a burst, broken preferences, odd camera
// frames, impossible locations and a damaged bundle. Each case expects no crash, every file that
// was on disk before still there byte for byte, and no partial or empty .JPG or .THM.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
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
    EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{});
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});

    // Room again: the next picture succeeds.
    fs::remove(filler);
    Session again = faults::runKestrova(dir.path(), root, kOneShot);
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_GT(faults::pictures(root).size(), 1u) << again.out;
    EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{});
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
}

// Folders the application cannot write or read. Root ignores permissions, so as root the
// sessions run as an unprivileged user on a tree that user owns.
TEST(Faults, ReadOnlyMediaUnreadableSubfolderAndDcimAsAFile) {
    if (!faults::canDropPrivileges()) GTEST_SKIP() << "running as root without setpriv, or the build is out of an unprivileged user's reach: permissions are not enforced";
    testenv::ScratchDir dir;

    // Read-only media folder, with a picture taken before.
    {
        const fs::path root = dir / "readonly";
        ASSERT_EQ(faults::runKestrova(dir.path(), root, kOneShot, "", true).status, 0);
        ASSERT_EQ(faults::pictures(root).size(), 1u);
        const auto before = faults::snapshotMedia(root);
        faults::chmodTree(root / "var/mobile/Media", "a-w");
        Session s = faults::runKestrova(dir.path(), root, "wait 2\ntap @snapButton\nwait 2\ntap @snapButton\nwait 2\nquit\n",
                                        "", true);
        faults::chmodTree(root / "var/mobile/Media", "u+w");
        EXPECT_EQ(s.status, 0) << s.out;
        EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{});
        EXPECT_EQ(faults::pictures(root).size(), 1u);
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    }
    // An unreadable subfolder inside 100APPLE: the scan skips it, pictures still land, and the
    // hidden pictures are untouched.
    {
        const fs::path root = dir / "unreadable";
        const fs::path hidden = root / "var/mobile/Media/DCIM/100APPLE/hidden";
        faults::copyFile(faults::sampleJpeg(dir.path()), hidden / "IMG_0001.JPG");
        testenv::writeFile(hidden / "IMG_0001.THM", faults::sampleJpegBytes(dir.path()));
        const auto before = faults::snapshotMedia(root);
        faults::chownTree(root);
        fs::permissions(hidden, fs::perms::none);
        Session s = faults::runKestrova(dir.path(), root, kOneShot, "", true);
        fs::permissions(hidden, fs::perms::owner_all);
        EXPECT_EQ(s.status, 0) << s.out;
        EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{});
        EXPECT_EQ(faults::pictures(root).size(), 2u) << s.out;
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    }
    // DCIM is a file: nothing can be saved, the file stays as it was, the session ends normally.
    {
        const fs::path root = dir / "dcimfile";
        testenv::writeFile(root / "var/mobile/Media/DCIM", "not a folder\n");
        Session s = faults::runKestrova(dir.path(), root, kOneShot);
        EXPECT_EQ(s.status, 0) << s.out;
        EXPECT_EQ(testenv::readFile(root / "var/mobile/Media/DCIM"), "not a folder\n");
        EXPECT_EQ(faults::pictures(root).size(), 0u);
    }
}

// Links in the camera roll: a folder linking to its parent, one linking to itself, a picture name
// that links to itself, a link to / and one to a folder elsewhere. The scan ends without walking
// them, the next number clears the pictures beside them, and a temporary beyond a link is not the
// scan's to remove.
TEST(Faults, LinksInTheCameraRollAreNotFollowed) {
    testenv::ScratchDir dir, elsewhere;
    const fs::path root = dir / "device";
    const fs::path folder = root / "var/mobile/Media/DCIM/100APPLE";
    faults::copyFile(faults::sampleJpeg(dir.path()), folder / "IMG_0003.JPG");
    fs::create_directory_symlink("..", folder / "up");
    fs::create_directory_symlink("self", folder / "self");
    fs::create_symlink("IMG_0007.JPG", folder / "IMG_0007.JPG");
    fs::create_directory_symlink("100APPLE", root / "var/mobile/Media/DCIM/101APPLE");
    fs::create_directory_symlink("/", folder / "everything");
    testenv::writeFile(elsewhere / ".kestrova-tmp-1-0.tmp", "someone else's");
    faults::copyFile(faults::sampleJpeg(dir.path()), elsewhere / "IMG_5000.JPG");
    fs::create_directory_symlink(elsewhere.path(), folder / "away");
    const auto before = faults::snapshotMedia(root);

    Session s = faults::runKestrova(dir.path(), root, kOneShot);
    EXPECT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_symlink(folder / "IMG_0007.JPG"));
    // IMG_5000 beyond the link does not count.
    EXPECT_TRUE(fs::exists(folder / "IMG_0008.JPG")) << s.out;
    EXPECT_EQ(faults::pictures(root).size(), 2u) << s.out;
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(elsewhere / ".kestrova-tmp-1-0.tmp"));
}

// The last line a session printed: the event it had reached when it ended.
std::string lastLine(std::string out) {
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out.substr(out.rfind('\n') + 1);  // npos + 1 is 0
}

// kill -9 at twelve moments spread over a burst session, from just after start-up to just past its
// end (as long as a whole session takes on this machine now): whatever is on disk is whole,
// nothing written before goes missing, and the next start leaves no temporary file behind.
TEST(Faults, KillDuringBurstLeavesOnlyWholePictures) {
    testenv::ScratchDir dir;
    const fs::path root = dir / "device";
    const std::string burstPreferences = "<key>BurstMode</key><integer>1</integer>";
    faults::writePreferences(root, burstPreferences);
    std::string script = "wait 2\n";
    for (int i = 0; i < 6; ++i) script += "tap @snapButton\nwait 1\n";
    script += "quit\n";

    // A loaded machine stretches a session several times over; fixed moments would then never
    // reach its end, where the preferences are written.
    faults::writePreferences(dir / "timing", burstPreferences);
    const Session whole = faults::runKestrova(dir.path(), dir / "timing", script);
    ASSERT_EQ(whole.status, 0) << whole.out;
    const double span = std::max(0.5, whole.seconds);

    std::vector<std::string> runs;
    std::map<std::string, size_t> leftBy;  // temporary file -> the run after which it appeared
    for (int i = 0; i < 12; ++i) {
        const auto before = faults::snapshotMedia(root);
        const double killAfter = 0.05 + span * 1.1 * i / 11;
        Session s = faults::runKestrova(dir.path(), root, script, "", false, killAfter);
        char what[512];
        std::snprintf(what, sizeof what,
                      "run %d (kill -9 due after %.2f s of a %.2f s session; ended after %.2f s, status %d, "
                      "last event \"%s\")",
                      i, killAfter, whole.seconds, s.seconds, s.status, lastLine(s.out).c_str());
        runs.push_back(what);
        for (const auto& t : faults::temporaryFiles(root)) leftBy.emplace(t, runs.size() - 1);
        EXPECT_TRUE(s.status == 0 || s.status == 137) << runs.back() << ":\n" << s.out;
        EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{}) << "after " << runs.back();
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{}) << "after " << runs.back();
    }
    EXPECT_GT(faults::pictures(root).size(), 0u) << "no picture in twelve runs, the last " << runs.back();

    Session next = faults::runKestrova(dir.path(), root, "wait 2\nquit\n");
    EXPECT_EQ(next.status, 0) << next.out;
    for (const auto& t : faults::temporaryFiles(root))
        ADD_FAILURE() << t << " is still there after the next start; it appeared after "
                      << (leftBy.count(t) ? runs[leftBy[t]] : std::string("that start"));
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{}) << "after the next start";
    if (HasFailure()) {
        dir.keep();
        std::printf("device root kept: %s\n", root.c_str());
    }
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

        Session killed = faults::runKestrova(dir.path(), root, burst, "", false, 0, {},
                                             "LD_PRELOAD=" + shellQuote(KILL_BEFORE_RENAME_LIBRARY) +
                                                 " ASAN_OPTIONS=verify_asan_link_order=0"
                                                 " KESTROVA_KILL_BEFORE_RENAME=" + c.killAt);
        ASSERT_EQ(killed.status, 137) << "not killed at its rename: " << killed.out;
        // The interrupted write's temporary: the kill came where it was meant to.
        EXPECT_EQ(faults::temporaryFiles(root).size(), 1u);
        EXPECT_EQ(testenv::readFile(faults::preferencesFile(root)), preferences);
        EXPECT_EQ(faults::lostFiles(before, root), std::vector<std::string>{});
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

// Broken preferences, and files that cannot be read at all (nested 30000 deep, a FIFO, 300 MB):
// the application starts (no slower than with none by more than 2 s), shoots, every setting it
// saves on the way out is in range, and the saved file is a valid property list.
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
    std::string randomBytes;
    for (int i = 0; i < 4096; ++i) randomBytes += char((i * 2654435761u) >> 13);
    const std::string valid = faults::preferencesXml(wrongTypes);
    std::string nested = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 30000; ++i) nested += "<array>";
    for (int i = 0; i < 30000; ++i) nested += "</array>";
    nested += "</plist>";
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    auto bytes = [](std::string b) { return [b](const fs::path& f) { testenv::writeFile(f, b); }; };
    const std::vector<Case> cases = {
        {"empty", bytes("")},
        {"garbage", bytes("this is not { a plist <<<")},
        {"truncated", bytes(valid.substr(0, valid.size() / 2))},
        {"binary noise", bytes(randomBytes)},
        {"binary plist header", bytes(std::string("bplist00") + randomBytes.substr(0, 200))},
        {"wrong types and ranges", bytes(valid)},
        {"nested 30000 deep", bytes(nested)},
        {"a FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }},
        {"300 MB",
         [](const fs::path& f) {
             testenv::writeFile(f, faults::preferencesXml("<key>ColorMode</key><integer>2</integer>"));
             fs::resize_file(f, uintmax_t(300) << 20);  // sparse: costs no disk
         }},
    };

    const Session baseline = faults::runKestrova(dir.path(), dir / "baseline", kOneShot);
    ASSERT_EQ(baseline.status, 0) << baseline.out;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir / c.name;
        const fs::path file = faults::preferencesFile(root);
        fs::create_directories(file.parent_path());
        c.make(file);
        Session s = faults::runKestrova(dir.path(), root, "wait 1\nresign\nactivate\nwait 1\ntap @snapButton\nwait 2\nquit\n");
        EXPECT_EQ(s.status, 0) << s.out;
        EXPECT_LT(s.seconds, baseline.seconds + 2.0);
        EXPECT_EQ(faults::pictures(root).size(), 1u) << s.out;
        auto xml = run(testenv::plistutil() + " -i " + shellQuote(file.string()) + " -f xml -o -");
        ASSERT_EQ(xml.status, 0) << xml.out;
        for (const auto& [key, limit] : faults::settingRanges()) {
            std::smatch m;
            const std::regex re("<key>" + key + "</key>\\s*<integer>(-?[0-9]+)</integer>");
            ASSERT_TRUE(std::regex_search(xml.out, m, re)) << key << " missing or not an integer in\n" << xml.out;
            const long long v = std::stoll(m[1]);
            EXPECT_TRUE(v >= 0 && v <= limit) << key << " = " << v;
        }
        EXPECT_TRUE(std::regex_search(xml.out, std::regex("<key>OptionsBarHidden</key>\\s*<(true|false)/>")))
            << xml.out;
    }
}

// A folder of photos for the images camera that a damaged disk could present: tiny, thin, wide
// and odd-sized photos, 3000 broken ones, an empty one and text. The decoder's own limits are its
// tests'; here the session, with the photos decoded off its main thread, has every picture it
// asked for, whole and of the full picture size.
TEST(Faults, APhotoFolderOfOddAndBrokenPhotosStillGivesEveryPicture) {
    testenv::ScratchDir dir;
    const fs::path photos = dir / "photos";
    for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {2, 900}, {1001, 3}, {17, 13}})
        faults::makeJpeg(photos / ("p" + std::to_string(w) + "x" + std::to_string(h) + ".jpg"), w, h);
    faults::makeJpeg(dir / "photo.jpg", 640, 480);
    const std::string photo = testenv::readFile(dir / "photo.jpg");
    for (int i = 0; i < 3000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "a%04d.jpg", i);
        testenv::writeFile(photos / name, photo.substr(0, photo.size() / 2 + size_t(i)));
    }
    testenv::writeFile(photos / "empty.jpg", "");
    testenv::writeFile(photos / "text.png", "not a picture");

    const fs::path root = dir / "device";
    std::string script = "wait 2\n";
    for (int i = 0; i < 5; ++i) script += "tap @snapButton\nwait 2\n";
    script += "quit\n";
    Session s = faults::runKestrova(dir.path(), root, script, "--camera images:" + photos.string());
    EXPECT_EQ(s.status, 0) << s.out;
    std::printf("a session of five pictures took %.2f s\n", s.seconds);
    const auto pictures = faults::pictures(root);
    EXPECT_EQ(pictures.size(), 5u) << s.out;
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    for (const auto& p : pictures) EXPECT_EQ(testenv::exifValues(p, "-ImageWidth -ImageHeight"), "1600\n1200\n") << p;
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

    enum class Outcome { Pictures, NoShutter, Stops };
    struct Case {
        const char* name;
        std::vector<std::string> remove;
        Outcome outcome;
    };
    const std::vector<Case> cases = {
        {"no artwork and no strings",
         {"images", "en.lproj", "de.lproj", "fr.lproj", "ja.lproj", "zh-Hans.lproj", "zh-Hant.lproj"},
         Outcome::Pictures},
        // No window contents: the script cannot find the shutter, and the application ends cleanly.
        {"no interface file", {"MainWindow.json"}, Outcome::NoShutter},
        {"no Info.plist", {"Info.plist"}, Outcome::Stops},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(bundle);
        fs::create_directories(bundle);
        fs::copy(testenv::bundleDir(), bundle, fs::copy_options::recursive);
        for (const auto& r : c.remove) fs::remove_all(bundle / r);
        const fs::path root = dir / (std::string("device-") + c.name);
        Session s = faults::runKestrova(dir.path(), root, kOneShot, "", false, 0, bin / "kestrova");
        switch (c.outcome) {
            case Outcome::Pictures:
                EXPECT_EQ(s.status, 0) << s.out;
                EXPECT_EQ(faults::pictures(root).size(), 1u) << s.out;
                break;
            case Outcome::NoShutter:
                EXPECT_TRUE(s.status > 0 && s.status < 128) << s.status << ": " << s.out;
                EXPECT_NE(s.out.find("@snapButton"), std::string::npos) << s.out;
                EXPECT_NE(s.out.find("terminate"), std::string::npos) << s.out;
                break;
            case Outcome::Stops:
                EXPECT_EQ(s.status, 2) << s.out;
                EXPECT_NE(s.out.find("bundle"), std::string::npos) << s.out;
                break;
        }
        EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{});
    }
}

}  // namespace
