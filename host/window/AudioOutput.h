#pragma once
// An audio device that can be lost while it is open: its sound server went away.
#include "platform/media/AudioSink.h"

namespace host {

class AudioOutput : public platform::AudioSink {
public:
    // True once the device is gone for good; play() then does nothing.
    virtual bool lost() const = 0;
};

}  // namespace host
