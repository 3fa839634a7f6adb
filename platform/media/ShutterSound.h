#pragma once
// Kestrova's own shutter sound, made in code: a bright click as the shutter opens with a burst of
// band-passed noise after it, and a softer click and burst as it closes. A quarter of a second,
// 44.1 kHz mono; the same samples on every call.
#include "platform/media/PcmSound.h"

namespace platform {

class ShutterSound {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr double kDuration = 0.25;  // seconds
    static constexpr double kPeak = 0.7;       // of full scale

    static PcmSound synthesize();
};

}  // namespace platform
