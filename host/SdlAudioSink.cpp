#include "host/SdlAudioSink.h"

#include <SDL.h>

#include <cstring>
#include <vector>

namespace host {

std::unique_ptr<SdlAudioSink> SdlAudioSink::open(std::string* why) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (why) *why = SDL_GetError();
        return nullptr;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0) {
        if (why) *why = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(dev, 0);
    return std::unique_ptr<SdlAudioSink>(new SdlAudioSink(dev, have.freq, have.channels));
}

SdlAudioSink::~SdlAudioSink() {
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioSink::play(std::shared_ptr<const platform::PcmSound> sound) {
    if (!sound || sound->samples.empty()) return;
    // SDL converts whatever rate and channel count the sound has to the device's.
    SDL_AudioCVT cvt;
    int rc = SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, Uint8(sound->channels), sound->sampleRate, AUDIO_S16SYS,
                               Uint8(channels_), rate_);
    if (rc < 0) return;
    const int bytes = int(sound->samples.size() * sizeof(int16_t));
    std::vector<Uint8> buf(size_t(bytes) * size_t(cvt.len_mult > 0 ? cvt.len_mult : 1));
    std::memcpy(buf.data(), sound->samples.data(), size_t(bytes));
    cvt.buf = buf.data();
    cvt.len = bytes;
    if (rc == 1 && SDL_ConvertAudio(&cvt) != 0) return;
    const int outLen = rc == 1 ? cvt.len_cvt : bytes;
    SDL_ClearQueuedAudio(device_);
    SDL_QueueAudio(device_, buf.data(), Uint32(outLen));
}

}  // namespace host
