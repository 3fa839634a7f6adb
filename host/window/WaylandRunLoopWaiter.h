#pragma once
// Lets the main run loop sleep until the compositor sends something or run-loop work arrives:
// poll() on the Wayland connection and a wake-up descriptor. What arrives is read into the
// display's queue, not dispatched: the host dispatches it at the start of its next turn, outside
// the run loop's wait. wake() may be called from any thread.
#include "host/window/WakeupFd.h"
#include "platform/foundation/RunLoop.h"

struct wl_display;

namespace host {

class WaylandRunLoopWaiter final : public platform::RunLoopWaiter {
public:
    explicit WaylandRunLoopWaiter(wl_display* display) : display_(display) {}

    void wait(double seconds) override;
    void wake() override { wakeup_.wake(); }

private:
    wl_display* display_;
    WakeupFd wakeup_;
};

}  // namespace host
