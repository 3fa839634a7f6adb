#pragma once
// A sound as 16-bit PCM samples, interleaved when there is more than one channel.
#include <cstdint>
#include <vector>

namespace platform {

struct PcmSound {
    int sampleRate = 44100;
    int channels = 1;
    std::vector<int16_t> samples;

    double duration() const {
        return sampleRate > 0 && channels > 0 ? double(samples.size()) / channels / sampleRate : 0.0;
    }
};

}  // namespace platform
