#include "host/window/SdlAudioSink.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

#include <cstring>
#include <vector>

namespace host {
namespace {

// ALSA writes each device it fails to open to standard error, seven lines where there is no
// sound card; the host says it in one line of its own.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The desktop's sound servers first: they mix us with everyone else, while the raw device may be
// held by another program, and trying it without a card is what makes ALSA talk.
// Longer than any live output takes to start playing what it was given.
constexpr std::chrono::seconds kStallLimit{2};

constexpr const char* kDrivers[] = {"pipewire", "pulseaudio", "alsa"};

bool compiledIn(const char* driver) {
    for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i)
        if (std::strcmp(SDL_GetAudioDriver(i), driver) == 0) return true;
    return false;
}

}  // namespace

std::unique_ptr<SdlAudioSink> SdlAudioSink::open(std::string* why) {
    snd_lib_error_set_handler(quietAlsa);
    // SDL_AUDIODRIVER in the environment is the user's own choice (null: SDL reads it).
    std::vector<const char*> drivers;
    const char* chosen = SDL_getenv("SDL_AUDIODRIVER");
    if (chosen && *chosen) drivers.push_back(nullptr);
    else
        for (const char* d : kDrivers)
            if (compiledIn(d)) drivers.push_back(d);
    std::string failure = "no audio driver";
    for (const char* driver : drivers) {
        if (SDL_AudioInit(driver) != 0) {
            failure = SDL_GetError();
            continue;
        }
        SDL_AudioSpec want{}, have{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 1;
        want.samples = 1024;
        SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (dev != 0) {
            SDL_PauseAudioDevice(dev, 0);
            return std::unique_ptr<SdlAudioSink>(new SdlAudioSink(dev, have.freq, have.channels));
        }
        failure = SDL_GetError();
        SDL_AudioQuit();
    }
    if (why) *why = failure;
    return nullptr;
}

SdlAudioSink::~SdlAudioSink() {
    SDL_CloseAudioDevice(device_);
    SDL_AudioQuit();
}

bool SdlAudioSink::lost() const {
    if (SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) return true;
    return !taking(SDL_GetQueuedAudioSize(device_)) && std::chrono::steady_clock::now() - lastTaken_ > kStallLimit;
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
    if (taking(SDL_GetQueuedAudioSize(device_))) lastTaken_ = std::chrono::steady_clock::now();
    SDL_ClearQueuedAudio(device_);
    SDL_QueueAudio(device_, buf.data(), Uint32(outLen));
    queuedAfterPlay_ = SDL_GetQueuedAudioSize(device_);
}

}  // namespace host
