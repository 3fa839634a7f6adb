#pragma once
// A one-shot or repeating timer, fired by the RunLoop that scheduled it. The loop only refers to
// it; the TimerHandle the loop returns owns it, and dropping that handle stops it.
#include "platform/foundation/Clock.h"

#include <functional>
#include <memory>

namespace platform {

enum class TimerRepeat { Once, Repeating };

class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    // Stops the timer for good. Safe to call from its own callback, and more than once.
    void invalidate() { valid_ = false; }
    bool isValid() const { return valid_; }
    Seconds interval() const { return interval_; }
    bool repeats() const { return repeat_ == TimerRepeat::Repeating; }
    // When it fires next, on its run loop's clock.
    double fireDate() const { return fireDate_; }
    // Fires now, whatever the fire date; a one-shot timer is then invalid.
    void fire();

private:
    friend class RunLoop;
    Timer(Seconds interval, TimerRepeat repeat, double fireDate, Callback cb)
        : interval_(interval), repeat_(repeat), callback_(std::move(cb)), fireDate_(fireDate) {}

    Seconds interval_;
    TimerRepeat repeat_;
    Callback callback_;
    double fireDate_;
    bool valid_ = true;
};

}  // namespace platform
