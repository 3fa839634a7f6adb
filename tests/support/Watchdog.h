#pragma once
// A bound on a call that must return: should `fn` not return within `seconds`, a watchdog thread
// ends the test program with a message, so that a fault cannot hang the suite. `fn` runs on the
// calling thread, as calls checked to come from the main thread need.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace testenv {

template <typename Fn>
void withWatchdog(Fn&& fn, const char* what, double seconds = 20) {
    std::promise<void> returned;
    std::thread watchdog([done = returned.get_future(), what, seconds] {
        if (done.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready) return;
        std::fprintf(stderr, "watchdog: %s did not return within %g s\n", what, seconds);
        std::fflush(nullptr);
        std::_Exit(1);
    });
    fn();
    returned.set_value();
    watchdog.join();
}

}  // namespace testenv
