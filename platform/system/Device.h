#pragma once
// The device itself: how it is held, and the language the user chose. The host sets both; the
// orientation is announced with kOrientationDidChangeNotification, the device as its object,
// while someone has asked for those notifications.
#include "platform/system/DeviceOrientation.h"

#include <atomic>
#include <mutex>
#include <string>

namespace platform {

class Device {
public:
    static constexpr const char* kOrientationDidChangeNotification = "UIDeviceOrientationDidChangeNotification";

    // Held in portrait, language "en".
    Device() = default;

    // The installed device, else a process-wide one.
    static Device& currentDevice();
    // Null goes back to the process-wide one. The device must outlive its installation.
    static void setCurrentDevice(Device* device);

    // Any thread (camera sources model their sensor from it).
    DeviceOrientation orientation() const { return orientation_.load(std::memory_order_acquire); }
    // The host turns the device (main thread). False, and nothing changes, for Unknown or a value
    // outside the enumeration. A
    // change is announced at once when notifications are being generated.
    bool setOrientation(DeviceOrientation orientation);

    // Calls nest: notifications flow until every begin has its end.
    void beginGeneratingDeviceOrientationNotifications();
    void endGeneratingDeviceOrientationNotifications();
    bool generatesDeviceOrientationNotifications() const { return generating_.load() > 0; }

    // The device language ("en", "ja", "zh-Hans", ...), picked by the host.
    std::string language() const;
    void setLanguage(std::string language);

private:
    std::atomic<DeviceOrientation> orientation_{DeviceOrientation::Portrait};
    std::atomic<int> generating_{0};
    mutable std::mutex languageMutex_;
    std::string language_ = "en";
};

}  // namespace platform
