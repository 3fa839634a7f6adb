#pragma once
// The system's volume controller: one volume per audio category, the keys that step the active
// category's volume, and the on-screen volume display switch. Every real change is logged
// ("volume Ringtone 0.5625") and announced with kSystemVolumeDidChangeNotification, the
// controller as its object, at the main run loop's next turn (the system's audio server reports
// changes, the program's own included, after the fact). Setting the volume it already has
// changes nothing and announces nothing. Any thread.
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

class SystemVolumeController {
public:
    static constexpr const char* kSystemVolumeDidChangeNotification =
        "AVSystemController_SystemVolumeDidChangeNotification";
    // userInfo keys of the notification: the category (std::string) and its new volume (float).
    static constexpr const char* kCategoryParameter = "AVSystemController_AudioCategoryNotificationParameter";
    static constexpr const char* kVolumeParameter = "AVSystemController_AudioVolumeNotificationParameter";

    static constexpr const char* kRingtone = "Ringtone";
    static constexpr const char* kAudioVideo = "Audio/Video";
    static constexpr const char* kAlarm = "Alarm";
    static constexpr int kVolumeSteps = 16;  // one key press moves by 1/16
    static constexpr float kDefaultVolume = 0.5f;

    // Every category at kDefaultVolume; "Ringtone" active, as while the camera is in front and
    // no other audio plays.
    SystemVolumeController();

    // The installed controller, else a process-wide one.
    static SystemVolumeController& sharedInstance();
    // Null goes back to the process-wide one. The controller must outlive its installation.
    static void setSharedInstance(SystemVolumeController* controller);

    // The active category's volume (0 to 1) and name. Always true.
    bool getActiveCategoryVolume(float& volume, std::string& name) const;
    // Sets the active category's volume, clamped to 0..1. False for NaN (nothing changes).
    bool setActiveCategoryVolumeTo(float volume);
    // The same for a named category; false for an unknown one.
    bool getVolume(float& volume, const std::string& category) const;
    bool setVolumeTo(float volume, const std::string& category);

    std::string activeCategory() const;
    // Another audio session taking over makes its category the active one. False for an unknown one.
    bool setActiveCategory(const std::string& category);

    // The hardware volume keys: the active category's volume to the next step of 1/16 up or down,
    // stopping at 0 and 1.
    void volumeUp();
    void volumeDown();

    // Whether the system shows its own volume display when the keys are pressed (on at start).
    void setSystemVolumeHUDEnabled(bool enabled);
    bool systemVolumeHUDEnabled() const;

private:
    bool setLocked(std::unique_lock<std::mutex>& lk, const std::string& category, float volume);
    void step(int direction);

    mutable std::mutex mutex_;
    std::map<std::string, float> volumes_;
    std::string active_;
    bool hudEnabled_ = true;
    // Held weakly by announcements waiting on the run loop: a controller gone by then announces nothing.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
