#include "platform/location/SimulatedLocationSource.h"

#include "platform/foundation/RunLoop.h"

namespace platform {

SimulatedLocationSource::SimulatedLocationSource(RunLoop& loop, std::optional<Location> position)
    : loop_(loop) {
    if (position && position->isWellFormed()) position_ = position;
}

SimulatedLocationSource::~SimulatedLocationSource() = default;

bool SimulatedLocationSource::inject(double latitude, double longitude, double accuracy) {
    Location l{latitude, longitude, accuracy, 0};
    if (!l.isWellFormed()) return false;
    position_ = l;
    if (active()) {
        loop_.post([weak = lifetime(), this] {
            if (weak.lock()) deliverCurrent();
        });
    }
    return true;
}

void SimulatedLocationSource::start() {
    firstFix_ = loop_.performAfter(kFirstFixDelay, [this] { deliverCurrent(); });
}

void SimulatedLocationSource::stop() {
    firstFix_.cancel();
}

void SimulatedLocationSource::deliverCurrent() {
    if (!position_ || !active()) return;
    Location l = *position_;
    l.timestamp = loop_.now();
    deliver(l);
}

}  // namespace platform
