#include "host/window/WindowSession.h"

#include "host/device/EventLogSink.h"
#include "host/device/ScriptRunner.h"
#include "host/device/SignalWatcher.h"
#include "host/device/SimulatedDevice.h"
#include "host/window/BackgroundAudioSink.h"
#include "host/window/SdlAudioSink.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/ViewAnimation.h"

#include <algorithm>

namespace host {

namespace {
// A sound server answers in a fraction of that, even on a loaded machine; one that has not opened
// an output by then is said to be missing (it may still come).
constexpr platform::Seconds kAudioDeadline{3.0};
}  // namespace

int WindowSession::runSession(const Options& options, double scale, platform::RunLoopWaiter* waiter,
                              const std::optional<Script>& script, const Reporter& report) {
    platform::SystemClock clock;
    std::string error;
    auto sink = EventLogSink::open(options.eventLog, clock, &error);
    if (!sink) {
        report("kestrova: " + error);
        return 2;
    }
    SimulatedDevice device(options, clock);
    attach(&device);
    device.setScale(scale);
    // No sound card is no reason not to run: the sounds are still logged.
    BackgroundAudioSink audio(
        device.runLoop(), [](std::string* why) -> std::unique_ptr<AudioOutput> { return SdlAudioSink::open(why); },
        kAudioDeadline, report);
    device.setAudioSink(&audio);
    device.runLoop().setWaiter(waiter);
    SignalWatcher signals([&device](int) { device.runLoop().post([&device] { device.terminate(); }); });
    // Animations tick on a run-loop timer; each tick changes what is on screen.
    platform::ViewAnimation::setFrameCallback([this] { animationTick(); });
    auto detach = [&] {
        device.setAudioSink(nullptr);
        platform::ViewAnimation::setFrameCallback({});
        device.runLoop().setWaiter(nullptr);
        attach(nullptr);
    };
    if (!device.launch(&error)) {
        report("kestrova: " + error);
        detach();
        return 2;
    }

    int status = 0;
    if (script) {
        // In the window a script runs in real time, with the window drawn and read meanwhile.
        ScriptRunner runner(device, report, [this, &device](double seconds) {
            const double end = device.runLoop().now() + seconds;
            for (;;) {
                turn(std::max(0.0, end - device.runLoop().now()));
                if (closed() || device.terminated() || device.runLoop().now() >= end) break;
            }
        });
        status = runner.run(*script);
    } else {
        while (!closed() && !device.terminated()) turn(-1);
    }
    device.terminate();
    detach();
    return status;
}

}  // namespace host
