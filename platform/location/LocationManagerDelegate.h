#pragma once
// Receives a location manager's fixes and errors, always on the main thread.
#include "platform/location/Location.h"
#include "platform/location/LocationError.h"

namespace platform {

class LocationManager;

class LocationManagerDelegate {
public:
    virtual ~LocationManagerDelegate() = default;
    // `oldLocation` is the manager's previous fix; null before its first.
    virtual void locationManagerDidUpdateToLocation(LocationManager& manager, const Location& newLocation,
                                                    const Location* oldLocation) {}
    virtual void locationManagerDidFailWithError(LocationManager& manager, const LocationError& error) {}
};

}  // namespace platform
