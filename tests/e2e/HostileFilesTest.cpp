// The built kestrova, headless, against files, folders and a second copy of itself that a hostile
// user or a damaged disk could present: photos that cost far too much to decode, preferences that
// cannot be read (too deep, a FIFO, far too large), a link to the whole disk in the camera roll, a
// program asked to end right after its shutter, and a second instance on the same device root.
// Each session must end by itself, with every shutter sound's picture written.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using faults::Session;
using testenv::run;

std::string threePictures() {
    std::string s = "wait 2\n";
    for (int i = 0; i < 3; ++i) s += "tap @snapButton\nwait 2\n";
    return s + "quit\n";
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A 1600 x 1200 progressive JPEG whose smallest luma scan (a few dozen bytes, but a walk over
// every luma block) is repeated `times` more times.
std::string repeatedScans(const fs::path& scratch, int times) {
    const fs::path ppm = scratch / "grad.ppm", jpg = scratch / "prog.jpg";
    faults::makeJpeg(scratch / "base.jpg", 1600, 1200);
    run("djpeg -pnm -outfile " + testenv::shellQuote(ppm.string()) + " " + testenv::shellQuote((scratch / "base.jpg").string()));
    run("cjpeg -progressive -outfile " + testenv::shellQuote(jpg.string()) + " " + testenv::shellQuote(ppm.string()));
    const std::string j = testenv::readFile(jpg);
    size_t best = std::string::npos, bestEnd = 0;
    for (size_t at = j.find("\xFF\xDA"); at != std::string::npos && at + 6 < j.size(); at = j.find("\xFF\xDA", at + 2)) {
        size_t end = at + 2 + (size_t(uint8_t(j[at + 2])) << 8 | uint8_t(j[at + 3]));
        while (end + 1 < j.size() && !(uint8_t(j[end]) == 0xFF && j[end + 1] != 0 &&
                                       (uint8_t(j[end + 1]) < 0xD0 || uint8_t(j[end + 1]) > 0xD7)))
            ++end;
        const bool lumaOnly = j[at + 4] == 1 && j[at + 5] == 1;
        if (lumaOnly && (best == std::string::npos || end - at < bestEnd - best)) best = at, bestEnd = end;
    }
    if (best == std::string::npos) return j;
    const std::string scan = j.substr(best, bestEnd - best);
    std::string out = j.substr(0, bestEnd);
    for (int i = 0; i < times; ++i) out += scan;
    return out + j.substr(bestEnd);
}

void putBigEndian(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += char(v >> (8 * i));
}

void chunk(std::string& png, const char* type, const std::string& data) {
    putBigEndian(png, uint32_t(data.size()));
    const std::string body = type + data;
    png += body;
    putBigEndian(png, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

// A real, valid grey PNG of side x side black pixels: small on disk, side² bytes once decoded.
std::string blackPng(uint32_t side) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    putBigEndian(ihdr, side);
    putBigEndian(ihdr, side);
    ihdr += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey
    chunk(png, "IHDR", ihdr);
    z_stream z{};
    deflateInit(&z, 9);
    const std::string row(side + 1, '\0');  // filter byte, then the pixels
    std::string idat;
    std::vector<unsigned char> buf(1 << 16);
    for (uint32_t y = 0; y < side; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        z.avail_in = uInt(row.size());
        const int flush = y + 1 == side ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = buf.data();
            z.avail_out = uInt(buf.size());
            deflate(&z, flush);
            idat.append(reinterpret_cast<char*>(buf.data()), buf.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    chunk(png, "IDAT", idat);
    chunk(png, "IEND", "");
    return png;
}

void expectThreeWholePictures(const Session& s, const fs::path& root, const char* what) {
    EXPECT_EQ(s.status, 0) << what << ": " << s.out;
    EXPECT_EQ(faults::pictures(root).size(), 3u) << what << ": " << s.out;
    EXPECT_EQ(faults::badPictures(root), std::vector<std::string>{}) << what;
    std::printf("%s: a session of three pictures took %.2f s\n", what, s.seconds);
}

// Photos decoded off the main thread, with limits: a scan repeated 6000 times, 3000 broken files
// and a 20000 x 20000 PNG, each beside one good photo, give a session its three pictures.
TEST(HostileFiles, PhotoFoldersThatCostTooMuchStillGiveEveryPicture) {
    testenv::ScratchDir dir;
    const std::string good = testenv::readFile(faults::sampleJpeg(dir.path()));

    const fs::path scans = dir / "scans";
    fs::create_directories(scans);
    testenv::writeFile(scans / "a-scans.jpg", repeatedScans(dir.path(), 6000));
    testenv::writeFile(scans / "b-good.jpg", good);
    Session s = faults::runKestrova(dir.path(), dir / "root-scans", threePictures(), "--camera images:" + scans.string());
    expectThreeWholePictures(s, dir / "root-scans", "6000 repeated scans");

    const fs::path broken = dir / "broken";
    fs::create_directories(broken);
    faults::makeJpeg(dir / "photo.jpg", 640, 480);
    const std::string photo = testenv::readFile(dir / "photo.jpg");
    for (int i = 0; i < 3000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "a%04d.jpg", i);
        testenv::writeFile(broken / name, photo.substr(0, photo.size() / 2 + size_t(i)));
    }
    testenv::writeFile(broken / "z-good.jpg", good);
    s = faults::runKestrova(dir.path(), dir / "root-broken", threePictures(), "--camera images:" + broken.string());
    expectThreeWholePictures(s, dir / "root-broken", "3000 broken files");

    const fs::path huge = dir / "huge";
    fs::create_directories(huge);
    testenv::writeFile(huge / "a-huge.png", blackPng(20000));
    testenv::writeFile(huge / "b-good.jpg", good);
    s = faults::runKestrova(dir.path(), dir / "root-huge", threePictures(), "--camera images:" + huge.string());
    expectThreeWholePictures(s, dir / "root-huge", "20000 x 20000 PNG");
}

// Preferences nested 30000 deep, a FIFO and 300 MB: unreadable files, so the defaults apply; the
// application starts, shoots and ends normally.
TEST(HostileFiles, PreferenceFilesThatCannotBeReadStartAndShoot) {
    testenv::ScratchDir dir;
    const char* oneShot = "wait 2\ntap @snapButton\nwait 2\nquit\n";
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
    };
    const std::vector<Case> cases = {
        {"nested 30000 deep",
         [](const fs::path& f) {
             std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
             for (int i = 0; i < 30000; ++i) xml += "<array>";
             for (int i = 0; i < 30000; ++i) xml += "</array>";
             testenv::writeFile(f, xml + "</plist>");
         }},
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
        const fs::path prefs = faults::preferencesFile(root);
        fs::create_directories(prefs.parent_path());
        c.make(prefs);
        Session s = faults::runKestrova(dir.path(), root, oneShot);
        EXPECT_EQ(s.status, 0) << s.out;
        EXPECT_EQ(faults::pictures(root).size(), 1u) << s.out;
        std::printf("%s: %.2f s\n", c.name, s.seconds);
    }
}

// The roll's own folders may be links; nothing inside them is followed. A link to / in 100APPLE
// is not walked, and a temporary beyond another link is not the scan's to remove.
TEST(HostileFiles, LinksInsideTheRollAreNotFollowed) {
    testenv::ScratchDir dir, elsewhere;
    const fs::path root = dir / "device";
    const fs::path folder = root / "var/mobile/Media/DCIM/100APPLE";
    fs::create_directories(folder);
    fs::create_directory_symlink("/", folder / "everything");
    testenv::writeFile(elsewhere / ".kestrova-tmp-1-0.tmp", "someone else's");
    faults::copyFile(faults::sampleJpeg(dir.path()), elsewhere / "IMG_5000.JPG");
    fs::create_directory_symlink(elsewhere.path(), folder / "away");

    Session s = faults::runKestrova(dir.path(), root, "wait 2\ntap @snapButton\nwait 2\nquit\n");
    EXPECT_EQ(s.status, 0) << s.out;
    EXPECT_TRUE(fs::exists(folder / "IMG_0001.JPG")) << s.out;  // IMG_5000 beyond the link does not count
    EXPECT_TRUE(fs::exists(elsewhere / ".kestrova-tmp-1-0.tmp"));
    std::printf("link to / in 100APPLE: %.2f s\n", s.seconds);
}

// The program asked to end right after its shutter: the picture is still written.
TEST(HostileFiles, AShutterThatSoundedHasItsPictureWhenTheProgramEndsAtOnce) {
    testenv::ScratchDir dir;
    for (const char* ending : {"tap @snapButton\nquit\n", "key volume-up\nwait 0.05\nquit\n"}) {
        SCOPED_TRACE(ending);
        const fs::path root = dir / std::to_string(std::hash<std::string>{}(ending));
        Session s = faults::runKestrova(dir.path(), root, std::string("wait 2\n") + ending);
        EXPECT_EQ(s.status, 0) << s.out;
        ASSERT_EQ(count(s.out, "sound shutter"), 1u) << s.out;
        EXPECT_TRUE(fs::exists(root / "var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG")) << s.out;
        EXPECT_TRUE(fs::exists(root / "var/mobile/Media/DCIM/100APPLE/IMG_0001.THM")) << s.out;
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
