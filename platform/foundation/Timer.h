#pragma once
// A one-shot or repeating timer, fired by the RunLoop it is added to. Shared: the run loop and
// whoever keeps it both hold it; invalidate() removes it from the loop.
#include <functional>
#include <memory>
#include <string>

namespace platform {

class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    static std::shared_ptr<Timer> create(double interval, bool repeats, Callback callback);

    // Stops the timer for good. Safe to call from its own callback, and more than once.
    void invalidate() { valid_ = false; }
    bool isValid() const { return valid_; }
    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    // When it fires next, on its run loop's clock; unset (negative) until it is added.
    double fireDate() const { return fireDate_; }
    void setFireDate(double t) { fireDate_ = t; }
    // Fires now, whatever the fire date; a one-shot timer is then invalid.
    void fire();

private:
    Timer(double interval, bool repeats, Callback cb)
        : interval_(interval), repeats_(repeats), callback_(std::move(cb)) {}
    friend class RunLoop;

    double interval_;
    bool repeats_;
    Callback callback_;
    double fireDate_ = -1;
    bool valid_ = true;
};

}  // namespace platform
