#pragma once
// System sounds through SDL's audio device. A new sound cuts off what is still playing, as the
// phone's system sounds do; queuing never blocks the main thread.
#include "platform/media/AudioSink.h"

#include <cstdint>
#include <memory>
#include <string>

namespace host {

class SdlAudioSink final : public platform::AudioSink {
public:
    // Null (with SDL's reason in `why`) when no audio device can be opened.
    static std::unique_ptr<SdlAudioSink> open(std::string* why);
    ~SdlAudioSink() override;

    void play(std::shared_ptr<const platform::PcmSound> sound) override;

private:
    SdlAudioSink(uint32_t device, int rate, int channels) : device_(device), rate_(rate), channels_(channels) {}
    uint32_t device_;
    int rate_;
    int channels_;
};

}  // namespace host
