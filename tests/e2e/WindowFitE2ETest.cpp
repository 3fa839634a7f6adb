// The real window under Xvfb at sizes people have: it opens as large as fits a 1366 x 768 laptop
// screen (with and without a window manager's frame), resized or full screen a click lands on
// the point under the mouse, F12 saves the screen at the scale in use without the bars, and on
// a portrait phone display it starts full screen. Every wait is bounded, none fixed.
#include "tests/e2e/FaultSession.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using testenv::shellQuote;

namespace {

// The shell functions the sessions use: `geom` reads the window's place and size (and its frame,
// when a window manager made one), `waitsize W H` waits for the window to take that size,
// `f12` saves a screenshot and waits for it, `launched` waits until the application has made its
// folders, its buttons built.
const char* const kFunctions = R"sh(
geom() {
  eval "$(xwininfo -id $wid | awk '/Absolute upper-left X/{print "x="$4} /Absolute upper-left Y/{print "y="$4} /Width:/{print "w="$2} /Height:/{print "h="$2}')"
  frame=$(xprop -id $wid _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,)
  [ -n "$frame" ] || frame='0 0 0 0'
}
waitsize() { for i in $(seq 200); do geom; [ "$w $h" = "$1 $2" ] && return 0; sleep 0.05; done; return 1; }
launched() { for i in $(seq 200); do [ -e device/var ] && return 0; sleep 0.05; done; }
f12() {
  xdotool key --window $wid F12
  for i in $(seq 200); do ls kestrova-*.png >/dev/null 2>&1 && return 0; sleep 0.05; done
  echo 'no screenshot'
}
)sh";

struct Session {
    testenv::ScratchDir dir;
    testenv::CommandResult result;

    // Runs kestrova with `args` on an Xvfb screen of `screen` ("1366x768"), under openbox when
    // `windowManager`, then `steps`, then ends it as Ctrl+C would.
    void run(const std::string& screen, bool windowManager, const std::string& args, const std::string& steps) {
        std::string inner = "cd " + shellQuote(dir.path().string()) + "\n" + kFunctions + testenv::kShootFunction;
        if (windowManager)
            inner += "openbox --sm-disable >/dev/null 2>&1 & wm=$!\n"
                     "for i in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' && break; sleep 0.05; done\n";
        inner += testenv::windowStart(shellQuote(testenv::kestrovaBinary()) + " " + args +
                                      " --camera synthetic --device-root device --event-log events.log 2>stderr.txt") +
                 steps + testenv::kWindowEnd;
        if (windowManager) inner += "kill $wm\n";
        result = testenv::run("timeout 120 " + testenv::xvfbRun("-screen 0 " + screen + "x24") + " bash -c " +
                              shellQuote(inner));
    }

    // The numbers after `label` on its line of output.
    std::vector<int> numbers(const std::string& label) const {
        std::vector<int> out;
        auto at = result.out.find(label + " ");
        if (at == std::string::npos) return out;
        std::istringstream line(result.out.substr(at + label.size(), result.out.find('\n', at) - at - label.size()));
        for (int n; line >> n;) out.push_back(n);
        return out;
    }

    // Width and height of the one F12 screenshot.
    std::pair<uint32_t, uint32_t> screenshotSize() const {
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind("kestrova-", 0) == 0 && e.path().extension() == ".png")
                return testenv::pngSize(e.path());
        return {0, 0};
    }

    std::string preferences() const {
        return testenv::run(testenv::plistutil() + " -f xml -o - -i " +
                            shellQuote((dir / "device/var/mobile/Library/Preferences/org.kestrova.camera.plist").string()))
            .out;
    }

    // The first picture whole with its thumbnail, and the ending (SIGTERM) through termination.
    void expectAPictureAndTermination() const {
        EXPECT_NE(result.out.find("SHOT\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("exit=0"), std::string::npos) << result.out;
        EXPECT_TRUE(fs::exists(dir / "device/var/mobile/Media/DCIM/100APPLE/IMG_0001.THM"));
        EXPECT_EQ(faults::badPictures(dir / "device"), std::vector<std::string>{});
        const std::string events = testenv::readFile(dir / "events.log");
        EXPECT_NE(events.find(" terminate\n"), std::string::npos) << events;
    }
};

// The first option button (the colour modes) went one step: from full colour to the next. (It is
// clicked before the picture is taken: taking one hides the options bar.)
bool colourOptionStepped(const std::string& preferences) {
    return preferences.find("<key>ColorMode</key>\n\t<integer>1</integer>") != std::string::npos;
}

}  // namespace

TEST(WindowFit, FitsALaptopScreenAndResizedTheClicksLandWhereTheyShould) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool xwininfo"); !m.empty()) GTEST_SKIP() << m << " is not installed";
    Session s;
    // At 900 x 700 the screen is drawn at 46/32 pixels a point, 460 x 690 pixels, 220 from the
    // left and 5 from the top: the shutter area's (160, 200) is at (450, 292), the colour
    // option's (70, 416) at (321, 603).
    // Then Ctrl+Left turns the device to landscape left and "=" is a volume key: its picture
    // says so.
    const std::string roll = "device/var/mobile/Media/DCIM/100APPLE";
    s.run("1366x768", false, "",
          "geom; echo \"OPENED $w $h $x $y\"\n"
          "xdotool windowsize $wid 900 700\n"
          "waitsize 900 700 || echo 'not resized'\n"
          "launched\n"
          "xdotool mousemove --window $wid 321 603 click 1\n"
          "shoot 450 292\n"
          "f12\n"
          "xdotool key --window $wid ctrl+Left\n"
          "n=$(ls " + roll + "/*.JPG | wc -l)\n"
          "for try in $(seq 30); do xdotool key --window $wid equal; for i in $(seq 20); do\n"
          "  [ $(ls " + roll + "/*.JPG | wc -l) -gt $n ] && break 2; sleep 0.05; done; done\n"
          "echo \"TURNED $(" + testenv::exiftool() + " -n -s3 -Orientation $(ls " + roll + "/*.JPG | tail -1))\"\n");
    // EXIF orientation 1 is landscape left (portrait is 6).
    EXPECT_NE(s.result.out.find("TURNED 1\n"), std::string::npos) << s.result.out;
    const auto opened = s.numbers("OPENED");
    ASSERT_EQ(opened.size(), 4u) << s.result.out;
    const int w = opened[0], h = opened[1], x = opened[2], y = opened[3];
    // On the screen, the screen's shape, and large: at most one step of 15 pixels and the room
    // for a title bar short of the screen's height.
    EXPECT_TRUE(x >= 0 && y >= 0 && x + w <= 1366 && y + h <= 768) << s.result.out;
    EXPECT_EQ(w * 3, h * 2) << w << " x " << h;
    EXPECT_GE(h, 700);
    EXPECT_EQ(s.result.out.find("not resized"), std::string::npos) << s.result.out;
    s.expectAPictureAndTermination();
    EXPECT_TRUE(colourOptionStepped(s.preferences())) << s.preferences();
    EXPECT_EQ(s.screenshotSize(), (std::pair<uint32_t, uint32_t>{460, 690}));
}

TEST(WindowFit, FramedByAWindowManagerThenFullScreenByF11) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool xwininfo openbox xprop"); !m.empty())
        GTEST_SKIP() << m << " is not installed";
    Session s;
    // Full screen on 1366 x 768 the screen is drawn at 51/32, 510 x 765 pixels, 428 from the left
    // and 1 from the top: (160, 200) is at (683, 319), (70, 416) at (539, 664).
    s.run("1366x768", true, "",
          // The host refits the window once the window manager has told it the frame's size,
          // which takes a moment after the frame appears (longer on a slow build): wait for it.
          "fits() { set -- $frame; [ $((x - $1)) -ge 0 ] && [ $((y - $3)) -ge 0 ] && [ $((x + w + $2)) -le 1366 ] && [ $((y + h + $4)) -le 768 ]; }\n"
          "waitframe() { for i in $(seq 200); do geom; [ \"$frame\" != '0 0 0 0' ] && fits && return 0; sleep 0.05; done; }\n"
          "waitframe; echo \"FRAMED $w $h $x $y $frame\"\n"
          "xdotool key --window $wid F11\n"
          "waitsize 1366 768 || echo 'not full screen'\n"
          "launched\n"
          "xdotool mousemove --window $wid 539 664 click 1\n"
          "shoot 683 319\n"
          "f12\n");
    const auto framed = s.numbers("FRAMED");
    ASSERT_EQ(framed.size(), 8u) << s.result.out;
    const int w = framed[0], h = framed[1], x = framed[2], y = framed[3];
    const int left = framed[4], right = framed[5], top = framed[6], bottom = framed[7];
    EXPECT_GT(top, 0) << "openbox draws a title bar";
    // The window and its frame both on the screen.
    EXPECT_TRUE(x - left >= 0 && y - top >= 0 && x + w + right <= 1366 && y + h + bottom <= 768) << s.result.out;
    EXPECT_EQ(w * 3, h * 2) << w << " x " << h;
    EXPECT_GE(h + top + bottom, 768 - 15);
    EXPECT_EQ(s.result.out.find("not full screen"), std::string::npos) << s.result.out;
    s.expectAPictureAndTermination();
    EXPECT_TRUE(colourOptionStepped(s.preferences())) << s.preferences();
    EXPECT_EQ(s.screenshotSize(), (std::pair<uint32_t, uint32_t>{510, 765}));
}

TEST(WindowFit, APortraitPhoneDisplayStartsFullScreen) {
    if (auto m = testenv::missingProgram("xvfb-run xdotool xwininfo openbox xprop"); !m.empty())
        GTEST_SKIP() << m << " is not installed";
    Session s;
    // 720 x 1440: the screen at 2.25 fills the width, 720 x 1080 pixels.
    s.run("720x1440", true, "", "waitsize 720 1440 || echo 'not full screen'\nf12\n");
    EXPECT_EQ(s.result.out.find("not full screen"), std::string::npos) << s.result.out;
    EXPECT_EQ(s.screenshotSize(), (std::pair<uint32_t, uint32_t>{720, 1080}));
}
