#include "platform/location/LocationManager.h"

#include "platform/foundation/RunLoop.h"
#include "platform/location/LocationManagerDelegate.h"
#include "platform/location/LocationServices.h"

namespace platform {

LocationManager::LocationManager() = default;

LocationManager::~LocationManager() { stopUpdatingLocation(); }

bool LocationManager::locationServicesEnabled() const { return LocationServices::current().enabled(); }

void LocationManager::startUpdatingLocation() {
    if (updating_) return;
    updating_ = true;
    generation_ = std::make_shared<int>(0);
    LocationServices& services = LocationServices::current();
    if (!services.enabled()) {
        RunLoop* loop = RunLoop::mainIfAny();
        if (!loop) return;
        loop->post([weak = std::weak_ptr<int>(generation_), this] {
            if (weak.lock()) locationSourceDidFail({LocationError::Code::Denied, "location services are off"});
        });
        return;
    }
    source_ = services.source();
    if (source_) source_->addListener(this);
}

void LocationManager::stopUpdatingLocation() {
    if (!updating_) return;
    updating_ = false;
    generation_.reset();
    if (source_) source_->removeListener(this);
    source_.reset();
}

void LocationManager::locationSourceDidUpdate(const Location& location) {
    if (!updating_) return;
    std::optional<Location> old = location_;
    location_ = location;
    if (delegate_) delegate_->locationManagerDidUpdateToLocation(*this, location, old ? &*old : nullptr);
}

void LocationManager::locationSourceDidFail(const LocationError& error) {
    if (!updating_) return;
    if (delegate_) delegate_->locationManagerDidFailWithError(*this, error);
}

}  // namespace platform
