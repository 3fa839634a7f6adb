// The window on a private PipeWire, as a desktop session runs it: without an audio output but
// with a PipeWire camera and no camera option, and with an output that goes away while we play.
// In each the window starts, a click takes a picture, and SIGTERM ends the program through its own
// termination (status 0, "terminate" logged, the pictures whole) because no thread, ours or the
// sound library's, takes the signal itself. (A server that does not answer, and the opener's
// deadline, are the background sink's own test's; the camera's formats and losses the PipeWire
// source's; here the real libraries.) Every wait is bounded, none fixed.
#include "tests/e2e/FaultSession.h"
#include "tests/support/PipeWireCamera.h"
#include "tests/support/PipeWireDaemon.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using testenv::shellQuote;

namespace {

struct Session {
    testenv::CommandResult result;  // the driving script's own output
    std::string stderrText;         // what kestrova printed
    std::string events;
    std::string masks;              // each thread's SigBlk line, just before SIGTERM
    fs::path device;
};

// Starts the window with `options` as a client of `pw`, in `dir`; runs `before` once the window is
// up, clicks the shutter area until a picture is on disk, runs `after`, then sends SIGTERM. Where
// `after` says `step`, this thread runs `step` while the script waits.
Session runSession(const testenv::ScratchDir& dir, const testenv::PipeWireDaemon& pw, const std::string& options,
                   const std::string& before, const std::string& after = "", const std::function<void()>& step = {}) {
    Session s;
    s.device = dir / "device";
    const std::string inner =
        "cd " + shellQuote(dir.path().string()) + "\n" +
        "step() { touch step; for i in $(seq 400); do [ -e stepped ] && break; sleep 0.05; done; }\n" +
        testenv::kShootFunction +
        testenv::windowStart(pw.envPrefix() + " " + shellQuote(testenv::kestrovaBinary()) + " --scale 1 " + options +
                             " --device-root device --event-log events.log 2>stderr.txt") +
        before + "shoot 160 200\n" + after +
        "for t in /proc/$pid/task/*; do echo \"$(cut -d' ' -f1 $t/syscall) $(grep '^SigBlk' $t/status)\"; done"
        " > masks.txt\n" + testenv::kWindowEnd;
    std::thread stepper;
    if (step)
        stepper = std::thread([&] {
            if (testenv::waitUntil([&] { return fs::exists(dir / "step"); }, 60)) step();
            testenv::writeFile(dir / "stepped", "");
        });
    s.result = testenv::run("timeout 120 " + testenv::xvfbRun("-screen 0 640x800x24") + " bash -c " + shellQuote(inner));
    if (stepper.joinable()) stepper.join();
    s.stderrText = testenv::readFile(dir / "stderr.txt");
    s.events = testenv::readFile(dir / "events.log");
    s.masks = testenv::readFile(dir / "masks.txt");
    return s;
}

using Rgb = std::array<int, 3>;

// The centre pixel of a JPEG, decoded by djpeg.
Rgb centre(const fs::path& jpeg) {
    const auto d = testenv::decodeJpeg(jpeg);
    return d.w ? d.rgb(d.w / 2, d.h / 2) : Rgb{-1, -1, -1};
}

// What ended well: every picture whole with its thumbnail, status 0, the termination logged, and
// no thread but the signal watcher able to take the signal. The watcher waits in rt_sigtimedwait
// (128), during which the kernel shows the signals it waits for as unblocked; every other thread
// must block SIGHUP, SIGINT and SIGTERM (bits 1, 2 and 15), or one of them may take the signal.
void expectEndedThroughTermination(const Session& s) {
    EXPECT_NE(s.result.out.find("SHOT\n"), std::string::npos) << s.result.out << s.stderrText;
    EXPECT_NE(s.result.out.find("exit=0"), std::string::npos) << s.result.out << s.stderrText;
    EXPECT_NE(s.events.find(" terminate\n"), std::string::npos) << s.events;
    const auto pictures = faults::pictures(s.device);
    EXPECT_FALSE(pictures.empty());
    for (const auto& p : pictures) EXPECT_TRUE(fs::exists(fs::path(p).replace_extension(".THM"))) << p;
    EXPECT_EQ(faults::badPictures(s.device), std::vector<std::string>{});

    std::istringstream in(s.masks);
    std::string syscall, label, hex;
    int waiters = 0, blocking = 0;
    while (in >> syscall >> label >> hex) {
        if (syscall == "128") {
            ++waiters;
            continue;
        }
        const unsigned long long wanted = (1ull << 0) | (1ull << 1) | (1ull << 14);
        EXPECT_EQ(std::stoull(hex, nullptr, 16) & wanted, wanted) << s.masks;
        ++blocking;
    }
    EXPECT_EQ(waiters, 1) << s.masks;
    EXPECT_GT(blocking, 0) << s.masks;
}

class PipeWireWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (auto m = testenv::missingProgram("xvfb-run xdotool"); !m.empty()) GTEST_SKIP() << m << " is not installed";
        // Installed but not coming up is a failure, not a skip.
        if (!pw.start()) {
            if (pw.missing()) GTEST_SKIP() << pw.error();
            FAIL() << pw.error();
        }
    }
    testenv::PipeWireDaemon pw;
    testenv::ScratchDir dir;
};

}  // namespace

// The sound has its stream before the first click, and nothing is said. Then the server goes: the
// shutter sound after that stays in the queue; a later one finds it there and says so, once (and
// the only line), while the pictures go on. SIGTERM right after the last shot still writes it.
TEST_F(PipeWireWindow, WithAnOutputThatGoesAwayIsOneLineAndEveryShotIsWritten) {
    ASSERT_TRUE(pw.createNullSink()) << pw.error();
    const std::string waitForStream =
        "for i in $(seq 200); do " + pw.envPrefix() +
        " timeout 2 pw-cli ls Node | grep -q 'Stream/Output/Audio' && break; sleep 0.05; done\n";
    const std::string stopThenShootUntilSaid =
        "step\n"
        "for i in $(seq 40); do grep -q 'no sound' stderr.txt && break;"
        " xdotool mousemove --window $wid 160 200 click 1; sleep 0.5; done\n"
        "xdotool mousemove --window $wid 160 200 click 1\n";
    const Session s =
        runSession(dir, pw, "--camera synthetic", waitForStream, stopThenShootUntilSaid, [&] { pw.stop(); });
    expectEndedThroughTermination(s);
    EXPECT_EQ(s.stderrText, "kestrova: no sound (the sound output went away)\n");
}

// Without an audio output, and with a PipeWire camera but no camera option: the pictures are the
// camera's (its formats and losses are the PipeWire source's test's), the threads PipeWire's
// streams bring block the signals too, and at most a line says there is no sound.
TEST_F(PipeWireWindow, WithoutAnOutputOrACameraOptionThePicturesAreThePipeWireCamerasAndSigtermEndsIt) {
    testenv::PipeWireCamera cam;
    ASSERT_TRUE(cam.start(pw, {.name = "cam", .argb = 0xff3366cc})) << cam.error();
    const Session s = runSession(dir, pw, "", "");
    expectEndedThroughTermination(s);
    const auto pictures = faults::pictures(s.device);
    ASSERT_FALSE(pictures.empty()) << s.result.out << s.stderrText;
    const Rgb got = centre(pictures.front()), want{0x33, 0x66, 0xcc};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 8) << testing::PrintToString(got);
    // Still waiting for an output when it ended, or told there is none.
    if (!s.stderrText.empty()) {
        EXPECT_EQ(s.stderrText.rfind("kestrova: no sound (", 0), 0u) << s.stderrText;
    }
    EXPECT_LE(std::count(s.stderrText.begin(), s.stderrText.end(), '\n'), 1) << s.stderrText;
}

// Without a sound server, only our line, none of the sound libraries': no daemon and a
// libpipewire without its client.conf (the library installed without the server), or ALSA with an
// empty configuration, which knows no device on any machine and tells of each step that failed.
TEST(PipeWireLibrary, WithoutAServerOnlyOurLine) {
    if (auto m = testenv::missingProgram("xvfb-run"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    testenv::ScratchDir dir;
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(dir / "no-config");
    testenv::writeFile(dir / "quit.script", "wait 0.5\nquit\n");
    testenv::writeFile(dir / "asound.conf", "");
    for (const char* env : {"env -u PULSE_SERVER -u SDL_AUDIODRIVER -u PIPEWIRE_DEBUG XDG_RUNTIME_DIR=\"$PWD/run\""
                            " PIPEWIRE_CONFIG_DIR=\"$PWD/no-config\" ALSA_CONFIG_PATH=asound.conf",
                            "SDL_AUDIODRIVER=alsa ALSA_CONFIG_PATH=asound.conf"}) {
        SCOPED_TRACE(env);
        fs::remove_all(dir / "device");
        auto r = testenv::run("cd " + shellQuote(dir.path().string()) + " && " + env + " timeout 60 " +
                              testenv::xvfbRun() + " " + shellQuote(testenv::kestrovaBinary()) +
                              " --camera synthetic --device-root device --event-log events.log --script quit.script");
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.rfind("kestrova: no sound (", 0), 0u) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
}
