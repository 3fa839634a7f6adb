#pragma once
// Delivers position fixes to its delegate on the main thread while updates run. Fixes come from
// the installed LocationServices' receiver; with location services off, starting reports a
// Denied error instead. Main thread, except locationServicesEnabled().
#include "platform/location/Location.h"
#include "platform/location/LocationSource.h"

#include <memory>
#include <optional>

namespace platform {

class LocationManagerDelegate;

class LocationManager final : private LocationSource::Listener {
public:
    LocationManager();
    ~LocationManager() override;
    LocationManager(const LocationManager&) = delete;
    LocationManager& operator=(const LocationManager&) = delete;

    // Whether the device's location services are on. Any thread.
    bool locationServicesEnabled() const;

    LocationManagerDelegate* delegate() const { return delegate_; }
    void setDelegate(LocationManagerDelegate* delegate) { delegate_ = delegate; }  // may be null

    // Starts delivering fixes. Does nothing while updates already run. With location services off
    // the delegate gets a Denied error at the run loop's next turn.
    void startUpdatingLocation();
    // No fix or error reaches the delegate after this, even one already on its way.
    void stopUpdatingLocation();
    bool updating() const { return updating_; }

    // The last fix delivered; unset before the first.
    const std::optional<Location>& location() const { return location_; }

private:
    void locationSourceDidUpdate(const Location& location) override;
    void locationSourceDidFail(const LocationError& error) override;

    LocationManagerDelegate* delegate_ = nullptr;  // may be null
    bool updating_ = false;
    std::shared_ptr<LocationSource> source_;  // the receiver while updating
    std::optional<Location> location_;
    std::shared_ptr<int> generation_;  // replaced on every start and stop; posted errors hold it weakly
};

}  // namespace platform
