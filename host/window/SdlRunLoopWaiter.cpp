#include "host/window/SdlRunLoopWaiter.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cmath>
#include <cstdint>

#include <poll.h>

namespace host {
namespace {

// About once a second at thirty wake-ups a second.
constexpr int kWaitsPerPump = 32;

}  // namespace

SdlRunLoopWaiter::SdlRunLoopWaiter(SDL_Window* window) : eventType_(SDL_RegisterEvents(1)) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 && info.info.x11.display) {
        if (wakeup_.valid()) {
            displayFd_ = ConnectionNumber(info.info.x11.display);
            display_ = info.info.x11.display;
        }
    }
#else
    (void)window;
#endif
}

SdlRunLoopWaiter::~SdlRunLoopWaiter() = default;

void SdlRunLoopWaiter::wait(double seconds) {
    const int ms = seconds < 0 ? -1 : int(std::ceil(seconds * 1000));
    if (displayFd_ < 0) {
        // A null event peeks: whatever arrived stays queued for the host's event pump.
        if (ms != 0) SDL_WaitEventTimeout(nullptr, ms);
        return;
    }
    // Whatever the connection has already delivered must be seen before sleeping on it.
    if (++waitsSincePump_ < kWaitsPerPump) {
#if defined(SDL_VIDEO_DRIVER_X11)
        // Sends what is buffered, then counts the events queued, reading the connection once.
        inputMayWait_ = XEventsQueued(static_cast<Display*>(display_), QueuedAfterFlush) > 0;
#endif
        if (inputMayWait_) return;
    } else {
        waitsSincePump_ = 0;
        SDL_PumpEvents();
        inputMayWait_ = false;
    }
    if (ms == 0 || SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    pollfd fds[2] = {{displayFd_, POLLIN, 0}, {wakeup_.fd(), POLLIN, 0}};
    const int n = poll(fds, 2, ms);
    inputMayWait_ = n != 0 && (n < 0 || fds[0].revents != 0);
    if (n > 0 && (fds[1].revents & POLLIN)) wakeup_.drain();
}

void SdlRunLoopWaiter::wake() {
    if (displayFd_ >= 0) {
        wakeup_.wake();
        return;
    }
    SDL_Event e{};
    e.type = eventType_;
    SDL_PushEvent(&e);
}

}  // namespace host
