#pragma once
// A descriptor that another thread makes readable to wake a window host sleeping in poll() on
// its window system's connection and this. wake() may be called from any thread.
namespace host {

class WakeupFd {
public:
    WakeupFd();
    ~WakeupFd();
    WakeupFd(const WakeupFd&) = delete;
    WakeupFd& operator=(const WakeupFd&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void wake();
    // Takes back every wake so far, once poll() has seen it.
    void drain();

private:
    int fd_;
};

}  // namespace host
