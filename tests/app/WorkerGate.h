#pragma once
// Holds the save worker inside a picture (where it asks for the position) until opened; a
// watchdog opens it anyway so that a fault cannot hang the suite. Shared with the provider, so it
// outlives a test that stops early while the worker still waits in it. Armed from the start it
// holds the first picture; disarmed, pictures pass until arm().
#include "capture/SaveWorker.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace kestrova {

struct WorkerGate : std::enable_shared_from_this<WorkerGate> {
    std::mutex m;
    std::condition_variable cv;
    bool armed = true, entered = false, open = false, watchdogFired = false;
    SaveWorker::PositionProvider provider() {
        return [this, self = shared_from_this()]() -> std::optional<GeoSnapshot> {
            std::unique_lock lk(m);
            if (armed && !entered) {
                entered = true;
                cv.notify_all();
                if (!cv.wait_for(lk, std::chrono::seconds(10), [&] { return open; })) watchdogFired = true;
            }
            return std::nullopt;
        };
    }
    void arm() {
        std::lock_guard lk(m);
        armed = true;
    }
    bool waitEntered() {
        std::unique_lock lk(m);
        return cv.wait_for(lk, std::chrono::seconds(10), [&] { return entered; });
    }
    void release() {
        std::lock_guard lk(m);
        open = true;
        cv.notify_all();
    }
};

// Opens the gate however the test ends.
struct GateOpener {
    std::shared_ptr<WorkerGate> gate = std::make_shared<WorkerGate>();
    ~GateOpener() { gate->release(); }
    WorkerGate* operator->() const { return gate.get(); }
};

}  // namespace kestrova
