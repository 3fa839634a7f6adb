// Entry point of the kestrova executable: the simulated device. The application itself has no
// command line; every option here belongs to the device (see README).
#include "host/HostMain.h"
#include "host/device/SignalWatcher.h"

#include <cstdlib>

int main(int argc, char** argv) {
    // Before any library starts a thread: a thread that left them open would take SIGTERM with
    // the default action and end the process without its termination.
    host::SignalWatcher::blockSignals();
    // Libraries speak on our terminal only through our own lines: PipeWire's log (a missing
    // client.conf, a daemon that is not there) stays off unless the user asks for it.
    setenv("PIPEWIRE_DEBUG", "0", 0);
    return host::hostMain({argv + 1, argv + argc});
}
