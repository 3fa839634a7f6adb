#pragma once
// The process's geotag position: owns the location manager, keeps the first usable fix after each
// start of updates (then stops them), with its hemisphere letters. Made once, under a lock, never
// destroyed; a second instance cannot be made. Callbacks arrive on the main thread; the picture
// writer reads from its worker thread, so every read goes through one lock and getSnapshot()
// hands out a single fix whole.
#include "location/GeoSnapshot.h"
#include "platform/location/LocationManagerDelegate.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform {
class LocationManager;
}

namespace kestrova {

class GeoPositionDelegate;

class GeoPosition final : public platform::LocationManagerDelegate {
public:
    // The one instance, made on first use.
    static GeoPosition* sharedInstance();
    // Makes the instance if none exists yet and returns it; null once it exists.
    static GeoPosition* create();

    GeoPosition(const GeoPosition&) = delete;
    GeoPosition& operator=(const GeoPosition&) = delete;

    // Shared so that a reader on another thread keeps it alive while it asks.
    std::shared_ptr<platform::LocationManager> locationManager() const;
    void setLocationManager(std::shared_ptr<platform::LocationManager> manager);

    GeoPositionDelegate* delegate() const { return delegate_; }
    void setDelegate(GeoPositionDelegate* delegate) { delegate_ = delegate; }  // may be null; main thread

    // 1 once a fix has been accepted, 0 before. Never reset.
    int8_t getValuesState() const;
    float getCurrLatitude() const;
    float getCurrLongitude() const;
    std::string getLatRef() const;
    std::string getLongRef() const;
    // The last accepted fix, all four values from the same one; unset before the first. Any thread.
    std::optional<GeoSnapshot> getSnapshot() const;

    void locationManagerDidUpdateToLocation(platform::LocationManager& manager,
                                            const platform::Location& newLocation,
                                            const platform::Location* oldLocation) override;
    void locationManagerDidFailWithError(platform::LocationManager& manager,
                                         const platform::LocationError& error) override;

private:
    GeoPosition();
    ~GeoPosition() override = default;  // never called: the instance lives as long as the process
    static GeoPosition* createLocked();
    void stopUpdates();

    mutable std::mutex mutex_;  // guards everything below
    std::shared_ptr<platform::LocationManager> locationManager_;
    float currLongitude_ = 0.0f;
    float currLatitude_ = 0.0f;
    std::string latRef_;
    std::string longRef_;
    int8_t gotGoodValues_ = 0;

    GeoPositionDelegate* delegate_ = nullptr;  // may be null; main thread only
};

}  // namespace kestrova
