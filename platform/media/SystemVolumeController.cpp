#include "platform/media/SystemVolumeController.h"

#include "platform/foundation/EventLog.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>

namespace platform {
namespace {

std::atomic<SystemVolumeController*> gShared{nullptr};

// The shortest text that reads back as the same float: 0.5625, 1, 0.3.
std::string formatVolume(float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

SystemVolumeController::SystemVolumeController()
    : volumes_{{kRingtone, kDefaultVolume}, {kAudioVideo, kDefaultVolume}, {kAlarm, kDefaultVolume}},
      active_(kRingtone) {}

SystemVolumeController& SystemVolumeController::sharedInstance() {
    if (SystemVolumeController* c = gShared.load(std::memory_order_acquire)) return *c;
    static SystemVolumeController* processWide = new SystemVolumeController();  // never destroyed
    return *processWide;
}

void SystemVolumeController::setSharedInstance(SystemVolumeController* controller) {
    gShared.store(controller, std::memory_order_release);
}

bool SystemVolumeController::getActiveCategoryVolume(float& volume, std::string& name) const {
    std::lock_guard lk(mutex_);
    name = active_;
    volume = volumes_.at(active_);
    return true;
}

bool SystemVolumeController::setActiveCategoryVolumeTo(float volume) {
    std::unique_lock lk(mutex_);
    const std::string category = active_;
    return setLocked(lk, category, volume);
}

bool SystemVolumeController::getVolume(float& volume, const std::string& category) const {
    std::lock_guard lk(mutex_);
    auto it = volumes_.find(category);
    if (it == volumes_.end()) return false;
    volume = it->second;
    return true;
}

bool SystemVolumeController::setVolumeTo(float volume, const std::string& category) {
    std::unique_lock lk(mutex_);
    return setLocked(lk, category, volume);
}

std::string SystemVolumeController::activeCategory() const {
    std::lock_guard lk(mutex_);
    return active_;
}

bool SystemVolumeController::setActiveCategory(const std::string& category) {
    std::lock_guard lk(mutex_);
    if (!volumes_.count(category)) return false;
    active_ = category;
    return true;
}

void SystemVolumeController::volumeUp() { step(+1); }
void SystemVolumeController::volumeDown() { step(-1); }

void SystemVolumeController::step(int direction) {
    std::unique_lock lk(mutex_);
    const std::string category = active_;
    const float scaled = volumes_.at(category) * kVolumeSteps;
    // From a volume between steps, the key goes to the neighbouring step in its direction.
    constexpr float kSlack = 1e-4f;
    int next = direction > 0 ? static_cast<int>(std::floor(scaled + kSlack)) + 1
                             : static_cast<int>(std::ceil(scaled - kSlack)) - 1;
    next = std::clamp(next, 0, kVolumeSteps);
    setLocked(lk, category, static_cast<float>(next) / kVolumeSteps);
}

bool SystemVolumeController::setLocked(std::unique_lock<std::mutex>& lk, const std::string& category, float volume) {
    if (std::isnan(volume)) return false;
    auto it = volumes_.find(category);
    if (it == volumes_.end()) return false;
    volume = std::clamp(volume, 0.0f, 1.0f);
    if (it->second == volume) return true;  // no change, no announcement
    it->second = volume;
    lk.unlock();

    EventLog::log("volume " + category + " " + formatVolume(volume));
    Notification n{kSystemVolumeDidChangeNotification, this, {}};
    n.userInfo[kCategoryParameter] = category;
    n.userInfo[kVolumeParameter] = volume;
    if (RunLoop* loop = RunLoop::mainIfAny()) {
        loop->post([n, weak = std::weak_ptr<int>(lifetime_)] {
            if (weak.lock()) NotificationCenter::defaultCenter().post(n);
        });
    } else {
        NotificationCenter::defaultCenter().post(n);
    }
    return true;
}

void SystemVolumeController::setSystemVolumeHUDEnabled(bool enabled) {
    std::lock_guard lk(mutex_);
    hudEnabled_ = enabled;
}

bool SystemVolumeController::systemVolumeHUDEnabled() const {
    std::lock_guard lk(mutex_);
    return hudEnabled_;
}

}  // namespace platform
