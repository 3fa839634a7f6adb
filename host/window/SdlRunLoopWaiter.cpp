#include "host/window/SdlRunLoopWaiter.h"

#include <SDL.h>

#include <cmath>

namespace host {

SdlRunLoopWaiter::SdlRunLoopWaiter() : eventType_(SDL_RegisterEvents(1)) {}

void SdlRunLoopWaiter::wait(double seconds) {
    // A null event peeks: whatever arrived stays queued for the host's event pump.
    if (seconds < 0) {
        SDL_WaitEventTimeout(nullptr, -1);
        return;
    }
    int ms = int(std::ceil(seconds * 1000));
    if (ms <= 0) return;
    SDL_WaitEventTimeout(nullptr, ms);
}

void SdlRunLoopWaiter::wake() {
    SDL_Event e{};
    e.type = eventType_;
    SDL_PushEvent(&e);
}

}  // namespace host
