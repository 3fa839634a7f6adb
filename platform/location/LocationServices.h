#pragma once
// The device's location hardware as the host set it up (--location): whether location services
// are on, and the receiver fixes come from (none: on, but never a fix). They are on while the
// user's switch is on and the receiver's service is available (a positioning service that is
// missing or refuses us turns them off). Location managers consult the installed services each
// time updates start.
#include <atomic>
#include <memory>

namespace platform {

class LocationSource;

class LocationServices {
public:
    // Posted (object: the services) when enabled() changes.
    static constexpr const char* kEnabledDidChangeNotification = "LocationServicesEnabledDidChangeNotification";

    // `source` may be null: no receiver, so no fix ever arrives.
    LocationServices(bool enabled, std::shared_ptr<LocationSource> source);
    ~LocationServices();
    LocationServices(const LocationServices&) = delete;
    LocationServices& operator=(const LocationServices&) = delete;

    // The installed services; before any is installed, services that are on with no receiver.
    static LocationServices& current();
    // Null goes back to that default. The services must outlive their installation.
    static void setCurrent(LocationServices* services);

    // Any thread (the picture writer asks from its worker).
    bool enabled() const { return switchOn_.load(std::memory_order_acquire) && available_.load(std::memory_order_acquire); }
    // The user's switch (main thread). A change of enabled() posts kEnabledDidChangeNotification.
    void setEnabled(bool enabled);
    const std::shared_ptr<LocationSource>& source() const { return source_; }

private:
    void change(std::atomic<bool>& input, bool value);

    std::atomic<bool> switchOn_;
    std::atomic<bool> available_{true};
    std::shared_ptr<LocationSource> source_;
};

}  // namespace platform
