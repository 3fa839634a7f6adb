#pragma once
// Time source for run loops, timers, animations and touch timing. Seconds, monotonic.
#include <atomic>
#include <chrono>

namespace platform {

// A span of time in seconds. Double, as the clocks are, so a delay added to now() gives exactly
// the date the same number of seconds as a bare double did.
using Seconds = std::chrono::duration<double>;

class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    // True when time only moves when told to (tests, headless scripts).
    virtual bool isManual() const { return false; }
};

// The monotonic system clock, seconds since this object was made.
class SystemClock final : public Clock {
public:
    SystemClock();
    double now() const override;

private:
    double origin_;
};

// A clock that moves only through advance() or set(). Readable from any thread.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0) : now_(start) {}
    double now() const override { return now_.load(std::memory_order_acquire); }
    bool isManual() const override { return true; }
    void advance(double seconds) { set(now() + seconds); }
    // Moves to `t`; time never goes backwards, so an earlier `t` is ignored.
    void set(double t) {
        if (t > now()) now_.store(t, std::memory_order_release);
    }

private:
    std::atomic<double> now_;
};

}  // namespace platform
