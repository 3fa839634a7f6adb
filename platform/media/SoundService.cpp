#include "platform/media/SoundService.h"

#include "platform/foundation/EventLog.h"
#include "platform/media/AudioSink.h"
#include "platform/media/ShutterSound.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<SoundService*> gDefault{nullptr};
}  // namespace

SoundService& SoundService::defaultService() {
    if (SoundService* s = gDefault.load(std::memory_order_acquire)) return *s;
    static SoundService* processWide = new SoundService();  // never destroyed
    return *processWide;
}

void SoundService::setDefaultService(SoundService* service) { gDefault.store(service, std::memory_order_release); }

std::shared_ptr<const PcmSound> SoundService::soundNamed(const std::string& name) {
    if (name != kShutter) return nullptr;
    static const std::shared_ptr<const PcmSound> shutter = std::make_shared<const PcmSound>(ShutterSound::synthesize());
    return shutter;
}

bool SoundService::playSystemSound(const std::string& name) {
    auto sound = soundNamed(name);
    if (!sound) return false;
    EventLog::log("sound " + name);
    if (sink_) sink_->play(std::move(sound));
    return true;
}

}  // namespace platform
