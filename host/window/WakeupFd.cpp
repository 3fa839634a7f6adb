#include "host/window/WakeupFd.h"

#include <cerrno>
#include <cstdint>

#include <sys/eventfd.h>
#include <unistd.h>

namespace host {

WakeupFd::WakeupFd() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeupFd::~WakeupFd() {
    if (fd_ >= 0) close(fd_);
}

void WakeupFd::wake() {
    const uint64_t one = 1;
    while (fd_ >= 0 && write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WakeupFd::drain() {
    uint64_t count;
    while (fd_ >= 0 && read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

}  // namespace host
