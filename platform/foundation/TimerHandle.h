#pragma once
// Ownership of a scheduled timer or delayed call: destroying the handle, assigning another to it
// or cancel() stops the timer, so an owner that keeps its handles as members needs no clean-up of
// its own. Move-only; a moved-from handle is empty. Main thread, as the timer's loop.
#include "platform/foundation/Timer.h"

#include <memory>

namespace platform {

class TimerHandle {
public:
    TimerHandle() = default;
    explicit TimerHandle(std::shared_ptr<Timer> timer) : timer_(std::move(timer)) {}
    TimerHandle(TimerHandle&& other) noexcept : timer_(std::move(other.timer_)) {}
    TimerHandle& operator=(TimerHandle&& other) noexcept {
        if (this != &other) {
            cancel();
            timer_ = std::move(other.timer_);
        }
        return *this;
    }
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;
    ~TimerHandle() { cancel(); }

    // Stops the timer (if it has not fired for the last time yet) and empties the handle.
    void cancel() {
        if (timer_) timer_->invalidate();
        timer_.reset();
    }
    // True while the timer will still fire.
    bool isActive() const { return timer_ && timer_->isValid(); }
    // The timer, for its fire date; null when empty.
    const Timer* timer() const { return timer_.get(); }

private:
    friend class RunLoop;
    std::shared_ptr<Timer> timer_;
};

}  // namespace platform
