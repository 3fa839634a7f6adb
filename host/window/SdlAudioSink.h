#pragma once
// System sounds through SDL's audio device. A new sound cuts off what is still playing, as the
// phone's system sounds do; queuing never blocks the main thread.
#include "host/window/AudioOutput.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace host {

class SdlAudioSink final : public AudioOutput {
public:
    // Null (with SDL's reason in `why`) when no audio device can be opened. May block for as long
    // as the sound server takes: call it off the main thread.
    static std::unique_ptr<SdlAudioSink> open(std::string* why);
    ~SdlAudioSink() override;

    void play(std::shared_ptr<const platform::PcmSound> sound) override;
    // SDL stops a device it knows is gone; a sound server that went away or stopped answering
    // shows only in a queue that no longer drains.
    bool lost() const override;

private:
    SdlAudioSink(uint32_t device, int rate, int channels) : device_(device), rate_(rate), channels_(channels) {}
    uint32_t device_;
    int rate_;
    int channels_;
    // Bytes left in SDL's queue right after the last sound was queued, and when the output was
    // last seen taking any: a server that is gone takes nothing.
    uint32_t queuedAfterPlay_ = 0;
    std::chrono::steady_clock::time_point lastTaken_ = std::chrono::steady_clock::now();
    bool taking(uint32_t queued) const { return queued == 0 || queued < queuedAfterPlay_; }
};

}  // namespace host
