#include "platform/system/Device.h"

#include "platform/foundation/NotificationCenter.h"

namespace platform {
namespace {
std::atomic<Device*> gCurrent{nullptr};
}  // namespace

Device& Device::currentDevice() {
    if (Device* d = gCurrent.load(std::memory_order_acquire)) return *d;
    static Device* processWide = new Device();  // never destroyed
    return *processWide;
}

void Device::setCurrentDevice(Device* device) { gCurrent.store(device, std::memory_order_release); }

bool Device::setOrientation(DeviceOrientation orientation) {
    if (orientation < DeviceOrientation::Portrait || orientation > DeviceOrientation::FaceDown) return false;
    const DeviceOrientation old = orientation_.exchange(orientation, std::memory_order_acq_rel);
    if (old != orientation && generatesDeviceOrientationNotifications())
        NotificationCenter::defaultCenter().post(kOrientationDidChangeNotification, this);
    return true;
}

void Device::beginGeneratingDeviceOrientationNotifications() { generating_.fetch_add(1); }

void Device::endGeneratingDeviceOrientationNotifications() {
    int n = generating_.load();
    while (n > 0 && !generating_.compare_exchange_weak(n, n - 1)) {
    }
}

std::string Device::language() const {
    std::lock_guard lk(languageMutex_);
    return language_;
}

void Device::setLanguage(std::string language) {
    std::lock_guard lk(languageMutex_);
    language_ = std::move(language);
}

}  // namespace platform
