// The window with no camera option on a desktop whose cameras are PipeWire's: real pipewire and
// wireplumber, an audio output, cameras of one colour published by GStreamer, clicks by xdotool
// under Xvfb. The pictures are read back with djpeg. Every wait is bounded, none fixed.
#include "tests/support/PipeWireCamera.h"
#include "tests/support/PipeWireDaemon.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using testenv::shellQuote;
using Clock = std::chrono::steady_clock;
using RGB = std::array<int, 3>;

namespace {

// The centre pixel of a JPEG, decoded by djpeg.
RGB centre(const fs::path& jpeg) {
    auto r = testenv::run(testenv::djpeg() + " -pnm " + shellQuote(jpeg.string()));
    int w = 0, h = 0, max = 0, used = 0;
    if (std::sscanf(r.out.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || w <= 0 || h <= 0) return {-1, -1, -1};
    const size_t at = size_t(used) + 1 + (size_t(h / 2) * w + w / 2) * 3;
    if (at + 3 > r.out.size()) return {-1, -1, -1};
    return {uint8_t(r.out[at]), uint8_t(r.out[at + 1]), uint8_t(r.out[at + 2])};
}

RGB rgbOf(uint32_t argb) { return {int(argb >> 16 & 0xff), int(argb >> 8 & 0xff), int(argb & 0xff)}; }

bool near(const RGB& a, const RGB& b, int tolerance) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(a[i] - b[i]) > tolerance) return false;
    return true;
}

std::string text(const RGB& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

size_t count(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

// kestrova in a window under Xvfb, as a client of `daemon`, until stop().
class WindowSession {
public:
    WindowSession(const testenv::PipeWireDaemon& daemon, const fs::path& dir) : dir_(dir) {
        const std::string inner =
            shellQuote(testenv::kestrovaBinary()) + " --scale 1 --device-root " + shellQuote((dir / "device").string()) +
            " --event-log " + shellQuote((dir / "events.log").string()) + " 2>" + shellQuote((dir / "stderr").string()) +
            " & pid=$!\n"
            "echo \"$DISPLAY $XAUTHORITY\" > " + shellQuote((dir / "display").string()) + "\n"
            "while [ ! -e " + shellQuote((dir / "stop").string()) + " ] && kill -0 $pid 2>/dev/null; do sleep 0.05; done\n"
            "kill -TERM $pid\n"
            "wait $pid; echo \"exit=$?\"\n";
        thread_ = std::thread([this, command = daemon.envPrefix() + " timeout 180 " +
                                              testenv::xvfbRun("-screen 0 640x800x24") + " bash -c " + shellQuote(inner)] {
            result_ = testenv::run(command);
        });
    }
    ~WindowSession() { stop(); }

    // The window's id once it is shown; empty when it is not within the deadline.
    std::string window() {
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (!fs::exists(dir_ / "display") && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        char display[256] = {}, xauth[1024] = {};
        if (std::sscanf(testenv::readFile(dir_ / "display").c_str(), "%255s %1023s", display, xauth) < 1) return {};
        x_ = std::string("DISPLAY=") + display + " XAUTHORITY=" + shellQuote(xauth) + " ";
        auto r = testenv::run(x_ + "timeout 20 xdotool search --sync --onlyvisible --name '^Kestrova$' | head -1");
        wid_ = r.out.substr(0, r.out.find('\n'));
        return wid_;
    }
    // Clicks the shutter area until a new picture is written; returns it (empty after `seconds`).
    fs::path shoot(double seconds = 20) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        const size_t before = pictures().size();
        while (Clock::now() < end) {
            testenv::run(x_ + "xdotool mousemove --window " + wid_ + " 160 200 click 1");
            const auto wait = Clock::now() + std::chrono::seconds(1);
            while (Clock::now() < wait) {
                auto now = pictures();
                if (now.size() > before) return now.back();
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        return {};
    }
    // Takes pictures until one's centre is near `want`; returns the last centre.
    RGB shootUntil(const RGB& want, double seconds = 20) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        RGB got{-1, -1, -1};
        while (Clock::now() < end) {
            const fs::path p = shoot(std::chrono::duration<double>(end - Clock::now()).count());
            if (p.empty()) break;
            got = centre(p);
            if (near(got, want, 8)) break;
        }
        return got;
    }
    std::string errors() const { return testenv::readFile(dir_ / "stderr"); }
    bool waitForError(const std::string& words, double seconds = 10) const {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (errors().find(words) == std::string::npos) {
            if (Clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
    // Ends the session (SIGTERM) and returns what its shell printed.
    std::string stop() {
        if (thread_.joinable()) {
            testenv::writeFile(dir_ / "stop", "");
            thread_.join();
        }
        return result_.out;
    }

private:
    std::vector<fs::path> pictures() const {
        std::vector<fs::path> out;
        std::error_code ec;
        const fs::path dcim = dir_ / "device/var/mobile/Media/DCIM";
        for (auto it = fs::recursive_directory_iterator(dcim, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->path().extension() == ".JPG") out.push_back(it->path());
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path dir_;
    std::thread thread_;
    testenv::CommandResult result_;
    std::string x_, wid_;
};

}  // namespace

TEST(PipeWireCameraWindow, PicturesComeFromPipeWireCamerasAsTheyComeAndGo) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::PipeWireDaemon pw;
    // Installed but not coming up is a failure, not a skip.
    if (!pw.start()) {
        if (pw.missing()) GTEST_SKIP() << pw.error();
        FAIL() << pw.error();
    }
    ASSERT_TRUE(pw.createNullSink()) << pw.error();
    testenv::PipeWireCamera yuy2, nv12, mjpg;
    ASSERT_TRUE(yuy2.start(pw, {.name = "cam-yuy2", .argb = 0xff3366cc})) << yuy2.error();

    testenv::ScratchDir dir;
    WindowSession session(pw, dir.path());
    ASSERT_FALSE(session.window().empty()) << session.stop();

    // No option: the PipeWire camera's colour.
    const fs::path first = session.shoot();
    ASSERT_FALSE(first.empty()) << session.stop();
    EXPECT_TRUE(near(centre(first), rgbOf(0xff3366cc), 8)) << text(centre(first));

    // Removed: one line; the next picture is not of its last frame.
    yuy2.stop();
    ASSERT_TRUE(session.waitForError("lost")) << session.errors();
    const fs::path afterLoss = session.shoot();
    ASSERT_FALSE(afterLoss.empty());
    EXPECT_FALSE(near(centre(afterLoss), rgbOf(0xff3366cc), 30)) << text(centre(afterLoss));
    EXPECT_EQ(count(session.errors(), "\n"), 1u) << session.errors();
    EXPECT_NE(session.errors().find("camera pipewire lost (camera removed)"), std::string::npos) << session.errors();

    // An NV12 camera appearing later is used, then an MJPG one.
    ASSERT_TRUE(nv12.start(pw, {.name = "cam-nv12", .format = "NV12", .argb = 0xffcc3366})) << nv12.error();
    const RGB fromNv12 = session.shootUntil(rgbOf(0xffcc3366));
    EXPECT_TRUE(near(fromNv12, rgbOf(0xffcc3366), 8)) << text(fromNv12);
    nv12.stop();
    ASSERT_TRUE(mjpg.start(pw, {.name = "cam-mjpg", .format = "MJPG", .argb = 0xff66cc33})) << mjpg.error();
    const RGB fromMjpg = session.shootUntil(rgbOf(0xff66cc33));
    EXPECT_TRUE(near(fromMjpg, rgbOf(0xff66cc33), 8)) << text(fromMjpg);
    EXPECT_EQ(count(session.errors(), "\n"), 2u) << session.errors();
}
