#include "host/device/SignalWatcher.h"

#include <csignal>

namespace host {
namespace {
sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}
}  // namespace

void SignalWatcher::blockSignals() {
    sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    blockSignals();
    thread_ = std::thread([this] {
        sigset_t set = watchedSignals();
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0) continue;
            if (stopping_.load()) return;
            onSignal_(sig);
        }
    });
}

SignalWatcher::~SignalWatcher() {
    stopping_.store(true);
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
}

}  // namespace host
