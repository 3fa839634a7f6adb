// The script runner against a real simulated device on a manual clock: touches reach the window
// with the timing the script language promises, and lookups by name, title and sheet work.
#include "host/device/ScriptRunner.h"
#include "host/device/SimulatedDevice.h"

#include "platform/foundation/EventLog.h"
#include "platform/location/LocationServices.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/ActionSheetDelegate.h"
#include "platform/ui/Application.h"
#include "platform/ui/ApplicationDelegate.h"
#include "platform/ui/Button.h"
#include "platform/ui/Event.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

using namespace host;
using platform::Point;
using platform::TouchPhase;

namespace {

// A window with one button titled "Tap me", named demoButton, that counts its taps.
class TestAppDelegate final : public platform::ApplicationDelegate {
public:
    void applicationDidFinishLaunching(platform::Application&) override {
        window_ = std::make_unique<platform::Window>(platform::Rect(0, 0, 320, 480));
        auto button = std::make_unique<platform::Button>(platform::Rect(60, 200, 200, 80));
        button->setTitle("Tap me");
        button->setName("demoButton");
        button->addTarget(nullptr, [this](platform::Object*) { ++taps_; }, platform::ControlEvent::TouchUpInside);
        window_->addSubview(std::move(button));
        window_->makeKeyAndVisible();
    }
    int taps() const { return taps_; }

private:
    std::unique_ptr<platform::Window> window_;
    int taps_ = 0;
};

// Records every touch it receives: phase, finger, where, when, and how many touches the event had.
class RecordingView final : public platform::View {
public:
    struct Record {
        TouchPhase phase;
        int finger;
        Point where;
        double time;
        size_t fingersInEvent;
    };
    using View::View;
    std::vector<Record> records;

    void touchesBegan(const platform::TouchSet& t, const platform::Event& e) override { add(t, e); }
    void touchesMoved(const platform::TouchSet& t, const platform::Event& e) override { add(t, e); }
    void touchesEnded(const platform::TouchSet& t, const platform::Event& e) override { add(t, e); }
    void touchesCancelled(const platform::TouchSet& t, const platform::Event& e) override { add(t, e); }

private:
    void add(const platform::TouchSet& touches, const platform::Event& e) {
        for (auto* t : touches)
            records.push_back({t->phase(), t->fingerId(), t->windowLocation(), e.timestamp(), e.allTouches().size()});
    }
};

struct Fixture {
    testenv::ScratchDir dir;
    platform::ManualClock clock;
    Options options;
    std::unique_ptr<SimulatedDevice> device;
    std::vector<std::string> reports;

    Fixture() {
        options.deviceRoot = dir / "device";
        options.headless = true;
        device = std::make_unique<SimulatedDevice>(options, clock, [](const std::string&) {});
        std::string error;
        EXPECT_TRUE(device->launch(&error, std::make_unique<TestAppDelegate>())) << error;
        platform::EventLog::clear();
    }
    // A full-screen recording view on top of the demo's views.
    RecordingView* cover() {
        auto v = std::make_unique<RecordingView>(platform::Rect(0, 0, 320, 480));
        v->setMultipleTouchEnabled(true);
        return static_cast<RecordingView*>(device->screen()->addSubview(std::move(v)));
    }
    int run(const std::string& text) {
        auto parsed = Script::parse(text);
        EXPECT_TRUE(parsed.script) << parsed.error;
        if (!parsed.script) return -1;
        return ScriptRunner(*device, [this](const std::string& l) { reports.push_back(l); }).run(*parsed.script);
    }
};

}  // namespace

TEST(ScriptRunner, TouchTimingInVirtualTime) {
    Fixture f;
    RecordingView* v = f.cover();
    EXPECT_EQ(f.run("wait 30\ntap 10 20\nhold 100 100 2\ndrag 0 0 300 0 0.5\n"), 0);

    // wait moved the virtual clock; the tap lifted 0.05 s after it landed.
    ASSERT_GE(v->records.size(), 2u);
    EXPECT_EQ(v->records[0].phase, TouchPhase::Began);
    EXPECT_DOUBLE_EQ(v->records[0].time, 30.0);
    EXPECT_EQ(v->records[0].where, (Point{10, 20}));
    EXPECT_EQ(v->records[1].phase, TouchPhase::Ended);
    EXPECT_NEAR(v->records[1].time, 30.05, 1e-9);

    // hold: down for exactly 2 s.
    EXPECT_EQ(v->records[2].phase, TouchPhase::Began);
    EXPECT_EQ(v->records[3].phase, TouchPhase::Ended);
    EXPECT_NEAR(v->records[3].time - v->records[2].time, 2.0, 1e-9);

    // drag: 30 steps at 60 a second, ending where it was told, then lifted there.
    size_t moves = 0;
    for (size_t i = 4; i < v->records.size(); ++i) moves += v->records[i].phase == TouchPhase::Moved;
    EXPECT_EQ(moves, 30u);
    EXPECT_EQ(v->records.back().phase, TouchPhase::Ended);
    EXPECT_EQ(v->records.back().where, (Point{300, 0}));
    EXPECT_NEAR(f.clock.now(), 30 + 0.05 + 2 + 0.5, 1e-9);

    // The script ended without quit: the application was terminated all the same.
    EXPECT_TRUE(f.device->terminated());
    EXPECT_EQ(platform::EventLog::lines().back(), "terminate");
}

TEST(ScriptRunner, PinchAndExplicitFingers) {
    Fixture f;
    RecordingView* v = f.cover();
    EXPECT_EQ(f.run("pinch 160 240 40 120 0.1\ndown 5 5 3\ndown 6 6 4\nmove 7 7 4\ncancel 3\nup 4\n"), 0);

    // pinch: both fingers land in one event, mirrored about the centre, and end 120 apart.
    ASSERT_GE(v->records.size(), 2u);
    EXPECT_EQ(v->records[0].fingersInEvent, 2u);
    EXPECT_EQ(v->records[0].where, (Point{140, 240}));
    EXPECT_EQ(v->records[1].where, (Point{180, 240}));
    std::vector<RecordingView::Record> ends;
    for (const auto& r : v->records)
        if (r.phase == TouchPhase::Ended && r.fingersInEvent == 2) ends.push_back(r);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_FLOAT_EQ(std::abs(ends[1].where.x - ends[0].where.x), 120.f);

    // Fingers named in the script keep their numbers; the second finger's event counts both.
    const auto& last = v->records.back();
    EXPECT_EQ(last.finger, 4);
    EXPECT_EQ(last.phase, TouchPhase::Ended);
    size_t cancelled = 0, movedWithBoth = 0;
    for (const auto& r : v->records) {
        cancelled += r.phase == TouchPhase::Cancelled;
        movedWithBoth += r.finger == 4 && r.phase == TouchPhase::Moved && r.fingersInEvent == 2;
    }
    EXPECT_EQ(cancelled, 1u);
    EXPECT_EQ(movedWithBoth, 1u);
}

TEST(ScriptRunner, FindsViewsByNameAndTitleAndStopsAtTheFirstThatIsNotThere) {
    Fixture f;
    auto* demo = static_cast<TestAppDelegate*>(f.device->application()->delegate());
    // By name and by title: both reach the demo button's action.
    EXPECT_EQ(f.run("tap @demoButton\ntap \"Tap me\"\n"), 0);
    EXPECT_EQ(demo->taps(), 2);
    // A hidden button cannot be tapped; the rest is skipped, the app still ends, the status says so.
    Fixture g;
    g.device->screen()->viewWithName("demoButton")->setHidden(true);
    EXPECT_EQ(g.run("tap \"Tap me\"\nwait 100\n"), 1);
    EXPECT_EQ(g.reports, std::vector<std::string>{"script:1: tap: no visible button titled \"Tap me\""});
    EXPECT_LT(g.clock.now(), 100);
    EXPECT_TRUE(g.device->terminated());

    Fixture h;
    EXPECT_EQ(h.run("tap @nothingHere\n"), 1);
    EXPECT_EQ(h.reports, std::vector<std::string>{"script:1: tap: no visible view or bar button named @nothingHere"});
}

TEST(ScriptRunner, SheetPressesTheButtonOfTheSheetOnScreen) {
    struct Recorder : platform::ActionSheetDelegate {
        int clicked = -1;
        void actionSheetClickedButtonAtIndex(platform::ActionSheet*, int index) override { clicked = index; }
    };
    {
        Fixture f;
        // No sheet yet.
        EXPECT_EQ(f.run("sheet 0\n"), 1);
        EXPECT_EQ(f.reports.at(0), "script:1: sheet: no action sheet on screen");
    }

    Fixture g;
    Recorder recorder;
    platform::ActionSheet sheet("Title", &recorder);
    sheet.addButtonWithTitle("Delete");
    sheet.addButtonWithTitle("Cancel");
    sheet.showInView(g.device->screen(), false);
    EXPECT_EQ(g.run("wait 1\nsheet 1\n"), 0) << (g.reports.empty() ? "" : g.reports[0]);
    EXPECT_EQ(recorder.clicked, 1);
}

// The hardware's commands reach the device: it is left in landscape right, location services off.
TEST(ScriptRunner, OrientationAndTheServicesSwitchReachTheDevice) {
    Fixture f;
    ASSERT_TRUE(platform::LocationServices::current().enabled());
    EXPECT_EQ(f.run("orientation 4\nlocation-services off\n"), 0);
    EXPECT_EQ(f.device->orientation(), platform::DeviceOrientation::LandscapeRight);
    EXPECT_FALSE(platform::LocationServices::current().enabled());
    EXPECT_TRUE(f.reports.empty());
}
