#pragma once
// Lets the main run loop sleep until window input or run-loop work arrives. On X11 it sleeps on
// the display connection and a wake-up descriptor of its own: SDL's event wait would read the
// connection a dozen times per wake-up, thirty times a second while the preview runs. Elsewhere
// it sleeps inside SDL's event wait, and wake() pushes an SDL user event. wake() may be called
// from any thread.
#include "host/window/WakeupFd.h"
#include "platform/foundation/RunLoop.h"

#include <cstdint>

struct SDL_Window;

namespace host {

class SdlRunLoopWaiter final : public platform::RunLoopWaiter {
public:
    // SDL's video system must be initialised and `window` open.
    explicit SdlRunLoopWaiter(SDL_Window* window);
    ~SdlRunLoopWaiter() override;
    SdlRunLoopWaiter(const SdlRunLoopWaiter&) = delete;
    SdlRunLoopWaiter& operator=(const SdlRunLoopWaiter&) = delete;

    // Whatever arrived stays queued for the host to read.
    void wait(double seconds) override;
    void wake() override;
    // False when the window system can have sent nothing since the last wait looked: the host
    // then need not ask it again before reading SDL's queue.
    bool windowInputMayWait() const { return inputMayWait_; }
    // The event type wake() pushes where it goes through SDL, so the host can skip it.
    uint32_t eventType() const { return eventType_; }

private:
    uint32_t eventType_;
    int displayFd_ = -1;  // the X11 connection; -1: SDL's own wait
    WakeupFd wakeup_;
    bool inputMayWait_ = true;
    // Asked through Xlib's own count of what the connection has delivered (one read): a full
    // SDL pump reads the connection several times. SDL still pumps now and then, for what it
    // does besides reading input.
    void* display_ = nullptr;  // Display*, kept opaque so the header needs no Xlib
    int waitsSincePump_ = 0;
};

}  // namespace host
