#include "host/device/HeadlessHost.h"

#include "host/device/SimulatedDevice.h"
#include "host/device/EventLogSink.h"
#include "host/device/ScriptRunner.h"
#include "host/device/SignalWatcher.h"

#include <memory>

namespace host {

HeadlessHost::HeadlessHost(const Options& options, Reporter report)
    : options_(options), report_(std::move(report)) {}

int HeadlessHost::run(const std::optional<Script>& script) {
    std::unique_ptr<platform::Clock> clock;
    if (script) clock = std::make_unique<platform::ManualClock>();
    else clock = std::make_unique<platform::SystemClock>();

    std::string error;
    auto sink = EventLogSink::open(options_.eventLog, *clock, &error);
    if (!sink) {
        report_("kestrova: " + error);
        return 2;
    }
    SimulatedDevice device(options_, *clock);
    // Ctrl+C ends the application as the platform would, on the main thread.
    SignalWatcher signals([&device](int) {
        device.runLoop().post([&device] {
            device.terminate();
            device.runLoop().stop();
        });
    });
    if (!device.launch(&error)) {
        report_("kestrova: " + error);
        return 2;
    }
    if (script) return ScriptRunner(device, report_).run(*script);
    device.runLoop().run();
    device.terminate();
    return 0;
}

}  // namespace host
