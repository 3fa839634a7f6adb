#pragma once
// The device's location hardware as the host set it up (--location): whether location services
// are on, and the receiver fixes come from (none: on, but never a fix). Location managers consult
// the installed services each time updates start.
#include <atomic>
#include <memory>

namespace platform {

class LocationSource;

class LocationServices {
public:
    // Posted (object: the services) when setEnabled() changes the switch.
    static constexpr const char* kEnabledDidChangeNotification = "LocationServicesEnabledDidChangeNotification";

    // `source` may be null: no receiver, so no fix ever arrives.
    LocationServices(bool enabled, std::shared_ptr<LocationSource> source);

    // The installed services; before any is installed, services that are on with no receiver.
    static LocationServices& current();
    // Null goes back to that default. The services must outlive their installation.
    static void setCurrent(LocationServices* services);

    // Any thread (the picture writer asks from its worker).
    bool enabled() const { return enabled_.load(std::memory_order_acquire); }
    // The user's switch. A change posts kEnabledDidChangeNotification; the same value posts nothing.
    void setEnabled(bool enabled);
    const std::shared_ptr<LocationSource>& source() const { return source_; }

private:
    std::atomic<bool> enabled_;
    std::shared_ptr<LocationSource> source_;
};

}  // namespace platform
