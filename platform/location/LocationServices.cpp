#include "platform/location/LocationServices.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/location/LocationSource.h"

namespace platform {
namespace {
std::atomic<LocationServices*> gCurrent{nullptr};
}  // namespace

LocationServices::LocationServices(bool enabled, std::shared_ptr<LocationSource> source)
    : enabled_(enabled), source_(std::move(source)) {}

LocationServices& LocationServices::current() {
    if (LocationServices* s = gCurrent.load(std::memory_order_acquire)) return *s;
    // Never destroyed: location managers may ask for it during the process's exit.
    static LocationServices* fallback = new LocationServices(true, nullptr);
    return *fallback;
}

void LocationServices::setEnabled(bool enabled) {
    if (enabled_.exchange(enabled, std::memory_order_acq_rel) != enabled)
        NotificationCenter::defaultCenter().post(kEnabledDidChangeNotification, this);
}

void LocationServices::setCurrent(LocationServices* services) {
    gCurrent.store(services, std::memory_order_release);
}

}  // namespace platform
