#include "platform/location/LocationServices.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/location/LocationSource.h"

namespace platform {
namespace {
std::atomic<LocationServices*> gCurrent{nullptr};
}  // namespace

LocationServices::LocationServices(bool enabled, std::shared_ptr<LocationSource> source)
    : switchOn_(enabled), source_(std::move(source)) {
    if (!source_) return;
    available_.store(source_->available(), std::memory_order_release);
    source_->setAvailabilityObserver(this, [this](bool available) { change(available_, available); });
}

LocationServices::~LocationServices() {
    if (source_) source_->removeAvailabilityObserver(this);
}

LocationServices& LocationServices::current() {
    if (LocationServices* s = gCurrent.load(std::memory_order_acquire)) return *s;
    // Never destroyed: location managers may ask for it during the process's exit.
    static LocationServices* fallback = new LocationServices(true, nullptr);
    return *fallback;
}

void LocationServices::setEnabled(bool enabled) { change(switchOn_, enabled); }

void LocationServices::change(std::atomic<bool>& input, bool value) {
    const bool before = this->enabled();
    input.store(value, std::memory_order_release);
    if (this->enabled() != before) NotificationCenter::defaultCenter().post(kEnabledDidChangeNotification, this);
}

void LocationServices::setCurrent(LocationServices* services) {
    gCurrent.store(services, std::memory_order_release);
}

}  // namespace platform
