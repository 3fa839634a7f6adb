#include "host/window/WaylandRunLoopWaiter.h"

#include <wayland-client.h>

#include <cerrno>
#include <cmath>

#include <poll.h>

namespace host {

void WaylandRunLoopWaiter::wait(double seconds) {
    // Events already queued are the host's to dispatch first: no sleeping on them.
    if (wl_display_prepare_read(display_) != 0) return;
    // What the host asked for must reach the compositor before we sleep on its answer.
    while (wl_display_flush(display_) < 0 && errno == EAGAIN) {
        pollfd out{wl_display_get_fd(display_), POLLOUT, 0};
        if (poll(&out, 1, -1) < 0 && errno != EINTR) break;
    }
    const int ms = seconds < 0 ? -1 : int(std::ceil(seconds * 1000));
    pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {wakeup_.fd(), POLLIN, 0}};
    const int n = poll(fds, 2, ms);
    if (n > 0 && fds[0].revents) wl_display_read_events(display_);
    else wl_display_cancel_read(display_);
    if (n > 0 && (fds[1].revents & POLLIN)) wakeup_.drain();
}

}  // namespace host

