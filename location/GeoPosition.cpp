#include "location/GeoPosition.h"

#include "location/GeoPositionDelegate.h"
#include "platform/location/LocationManager.h"

#include <cmath>

namespace kestrova {
namespace {

std::mutex& classLock() {
    static std::mutex m;
    return m;
}

GeoPosition* gSharedInstance = nullptr;  // guarded by classLock()

}  // namespace

GeoPosition* GeoPosition::sharedInstance() {
    std::lock_guard lk(classLock());
    if (!gSharedInstance) createLocked();
    return gSharedInstance;
}

GeoPosition* GeoPosition::create() {
    std::lock_guard lk(classLock());
    return createLocked();
}

GeoPosition* GeoPosition::createLocked() {
    if (gSharedInstance) return nullptr;
    gSharedInstance = new GeoPosition();
    return gSharedInstance;
}

GeoPosition::GeoPosition() : locationManager_(std::make_shared<platform::LocationManager>()) {
    // No desired accuracy or distance filter: the platform's defaults serve.
    locationManager_->setDelegate(this);
}

std::shared_ptr<platform::LocationManager> GeoPosition::locationManager() const {
    std::lock_guard lk(mutex_);
    return locationManager_;
}

void GeoPosition::setLocationManager(std::shared_ptr<platform::LocationManager> manager) {
    std::lock_guard lk(mutex_);
    locationManager_ = std::move(manager);
}

int8_t GeoPosition::getValuesState() const {
    std::lock_guard lk(mutex_);
    return gotGoodValues_;
}

float GeoPosition::getCurrLatitude() const {
    std::lock_guard lk(mutex_);
    return currLatitude_;
}

float GeoPosition::getCurrLongitude() const {
    std::lock_guard lk(mutex_);
    return currLongitude_;
}

std::string GeoPosition::getLatRef() const {
    std::lock_guard lk(mutex_);
    return latRef_;
}

std::string GeoPosition::getLongRef() const {
    std::lock_guard lk(mutex_);
    return longRef_;
}

std::optional<GeoSnapshot> GeoPosition::getSnapshot() const {
    std::lock_guard lk(mutex_);
    if (!gotGoodValues_) return std::nullopt;
    return GeoSnapshot{currLatitude_, currLongitude_, latRef_, longRef_};
}

void GeoPosition::stopUpdates() {
    if (auto manager = locationManager()) manager->stopUpdatingLocation();
}

void GeoPosition::locationManagerDidUpdateToLocation(platform::LocationManager&, const platform::Location& newLocation,
                                                     const platform::Location*) {
    if (newLocation.horizontalAccuracy < 0) return;  // an invalid fix
    // The platform never hands these out; narrowing them to float would not be defined.
    if (!newLocation.isWellFormed()) return;
    {
        std::lock_guard lk(mutex_);
        latRef_ = std::signbit(newLocation.latitude) ? "S" : "N";  // -0.0 counts as south
        longRef_ = std::signbit(newLocation.longitude) ? "W" : "E";
        currLatitude_ = static_cast<float>(newLocation.latitude);
        currLongitude_ = static_cast<float>(newLocation.longitude);
        gotGoodValues_ = 1;
    }
    stopUpdates();  // one accepted fix ends the updates
    if (delegate_) delegate_->updateAboutViewLabels();
}

void GeoPosition::locationManagerDidFailWithError(platform::LocationManager&, const platform::LocationError&) {
    if (getValuesState() == 0) stopUpdates();
    if (delegate_) delegate_->newLocationUpdate(std::string());
}

}  // namespace kestrova
