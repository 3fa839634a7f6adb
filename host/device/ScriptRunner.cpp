#include "host/device/ScriptRunner.h"

#include "host/device/SimulatedDevice.h"
#include "host/device/PngWriter.h"
#include "host/device/ScreenQuery.h"

#include <algorithm>
#include <cmath>

namespace host {

using Kind = ScriptCommand::Kind;
using platform::Point;
using platform::TouchInput;
using platform::TouchPhase;

ScriptRunner::ScriptRunner(SimulatedDevice& device, Reporter report, Advance advance)
    : device_(device), report_(std::move(report)), advance_(std::move(advance)) {}

void ScriptRunner::advance(double seconds) {
    if (advance_) advance_(seconds);
    else device_.runLoop().runFor(platform::Seconds(seconds));
}

int ScriptRunner::run(const Script& script) {
    int status = 0;
    for (const auto& c : script.commands()) {
        if (device_.terminated()) break;
        std::string message;
        Outcome o = execute(c, message);
        if (o == Outcome::Done) continue;
        report_("script:" + std::to_string(c.line) + ": " + ScriptCommand::name(c.kind) + ": " + message);
        status = 1;
        break;
    }
    // Every script ends the application, and a finger left down is lifted first.
    if (!device_.terminated()) {
        device_.cancelAllTouches();
        device_.terminate();
    }
    return status;
}

void ScriptRunner::tapAt(Point p, int finger) { hold(p, finger, kTapSeconds); }

void ScriptRunner::hold(Point p, int finger, double seconds) {
    device_.sendTouches({{finger, TouchPhase::Began, p}});
    advance(seconds);
    device_.sendTouches({{finger, TouchPhase::Ended, p}});
}

void ScriptRunner::drag(const ScriptCommand& c) {
    const Point from{float(c.x), float(c.y)}, to{float(c.x1), float(c.y1)};
    device_.sendTouches({{c.finger, TouchPhase::Began, from}});
    const int steps = std::max(1, int(std::ceil(c.seconds * kStepsPerSecond)));
    for (int i = 1; i <= steps; ++i) {
        advance(c.seconds / steps);
        double t = double(i) / steps;
        Point p{float(c.x + (c.x1 - c.x) * t), float(c.y + (c.y1 - c.y) * t)};
        device_.sendTouches({{c.finger, TouchPhase::Moved, p}});
    }
    device_.sendTouches({{c.finger, TouchPhase::Ended, to}});
}

void ScriptRunner::pinch(const ScriptCommand& c) {
    // The two fingers sit on a horizontal line through the centre, mirrored about it.
    auto fingersAt = [&](double separation, TouchPhase phase) {
        float half = float(separation / 2);
        return std::vector<TouchInput>{{c.finger, phase, {float(c.x) - half, float(c.y)}},
                                       {c.finger2, phase, {float(c.x) + half, float(c.y)}}};
    };
    device_.sendTouches(fingersAt(c.d0, TouchPhase::Began));
    const int steps = std::max(1, int(std::ceil(c.seconds * kStepsPerSecond)));
    for (int i = 1; i <= steps; ++i) {
        advance(c.seconds / steps);
        double t = double(i) / steps;
        device_.sendTouches(fingersAt(c.d0 + (c.d1 - c.d0) * t, TouchPhase::Moved));
    }
    device_.sendTouches(fingersAt(c.d1, TouchPhase::Ended));
}

ScriptRunner::Outcome ScriptRunner::screenshot(const std::string& file, std::string& message) {
    auto image = device_.screenshot();
    if (!image) {
        message = "the screen shows nothing yet";
        return Outcome::Failed;
    }
    if (auto err = writePng(*image, file)) {
        message = *err;
        return Outcome::Failed;
    }
    return Outcome::Done;
}

ScriptRunner::Outcome ScriptRunner::execute(const ScriptCommand& c, std::string& message) {
    const Point p{float(c.x), float(c.y)};
    switch (c.kind) {
        case Kind::Wait: advance(c.seconds); return Outcome::Done;
        case Kind::Tap: tapAt(p, c.finger); return Outcome::Done;
        case Kind::TapNamed: {
            auto where = ScreenQuery(device_.screen()).centerOfNamed(c.text);
            if (!where) {
                message = "no visible view or bar button named @" + c.text;
                return Outcome::Failed;
            }
            tapAt(*where, c.finger);
            return Outcome::Done;
        }
        case Kind::TapTitled: {
            auto where = ScreenQuery(device_.screen()).centerOfButtonTitled(c.text);
            if (!where) {
                message = "no visible button titled \"" + c.text + "\"";
                return Outcome::Failed;
            }
            tapAt(*where, c.finger);
            return Outcome::Done;
        }
        case Kind::Sheet: {
            auto where = ScreenQuery(device_.screen()).centerOfSheetButton(c.index, message);
            if (!where) return Outcome::Failed;
            tapAt(*where, c.finger);
            return Outcome::Done;
        }
        case Kind::Down: device_.sendTouches({{c.finger, TouchPhase::Began, p}}); return Outcome::Done;
        case Kind::Move: device_.sendTouches({{c.finger, TouchPhase::Moved, p}}); return Outcome::Done;
        case Kind::Up: device_.liftFinger(c.finger, false); return Outcome::Done;
        case Kind::Cancel: device_.liftFinger(c.finger, true); return Outcome::Done;
        case Kind::Hold: hold(p, c.finger, c.seconds); return Outcome::Done;
        case Kind::Drag: drag(c); return Outcome::Done;
        case Kind::Pinch: pinch(c); return Outcome::Done;
        case Kind::Key: device_.pressVolumeKey(c.volumeUp); return Outcome::Done;
        case Kind::Orientation: device_.setOrientation(platform::DeviceOrientation(c.index)); return Outcome::Done;
        case Kind::Location:
            if (!device_.injectLocation(c.latitude, c.longitude, c.accuracy)) {
                message = "the device reads gpsd, not the simulated receiver";
                return Outcome::Failed;
            }
            return Outcome::Done;
        case Kind::LocationServices: device_.setLocationServicesEnabled(c.on); return Outcome::Done;
        case Kind::Resign: device_.resignActive(); return Outcome::Done;
        case Kind::Activate: device_.becomeActive(); return Outcome::Done;
        case Kind::Screenshot: return screenshot(c.text, message);
        case Kind::Quit: device_.terminate(); return Outcome::Done;
    }
    return Outcome::Done;
}

}  // namespace host
