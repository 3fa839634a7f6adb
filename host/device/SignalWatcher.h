#pragma once
// Turns SIGINT, SIGTERM and SIGHUP into a call on the main run loop, so Ctrl+C ends the
// application the way the platform does (its termination runs, nothing queued is lost).
// Construct it before any other thread starts: it blocks those signals for the whole process and
// waits for them on a thread of its own.
#include <atomic>
#include <functional>
#include <pthread.h>
#include <thread>

namespace host {

class SignalWatcher {
public:
    // `onSignal` runs on the watcher's thread; post from it to the run loop.
    explicit SignalWatcher(std::function<void(int signal)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    // Blocks the signals in the calling thread (and the threads it starts later).
    static void blockSignals();

private:
    std::function<void(int)> onSignal_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace host
