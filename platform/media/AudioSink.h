#pragma once
// Where system sounds are heard: the window host's audio device. Without one (headless) nothing
// is heard, but sounds are still logged.
#include "platform/media/PcmSound.h"

#include <memory>

namespace platform {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Starts `sound` now, over anything still playing. Called on the main thread; must not block.
    virtual void play(std::shared_ptr<const PcmSound> sound) = 0;
};

}  // namespace platform
