#pragma once
// Plays the system's named sounds. Each play is logged ("sound shutter") whether or not an audio
// sink is installed, so headless runs keep a trace. Main thread.
#include "platform/media/PcmSound.h"

#include <memory>
#include <string>

namespace platform {

class AudioSink;

class SoundService {
public:
    static constexpr const char* kShutter = "shutter";

    // The installed service, else a process-wide one.
    static SoundService& defaultService();
    // Null goes back to the process-wide one. The service must outlive its installation.
    static void setDefaultService(SoundService* service);

    AudioSink* sink() const { return sink_; }
    void setSink(AudioSink* sink) { sink_ = sink; }  // may be null: nothing is heard

    // Logs "sound NAME" and hands the sound to the sink. False, with nothing logged, for a name
    // the system has no sound for.
    bool playSystemSound(const std::string& name);
    // The samples of a named sound, made once; null for an unknown name.
    static std::shared_ptr<const PcmSound> soundNamed(const std::string& name);

private:
    AudioSink* sink_ = nullptr;  // may be null
};

}  // namespace platform
