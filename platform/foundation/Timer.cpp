#include "platform/foundation/Timer.h"

namespace platform {

std::shared_ptr<Timer> Timer::create(double interval, bool repeats, Callback callback) {
    return std::shared_ptr<Timer>(new Timer(interval, repeats, std::move(callback)));
}

void Timer::fire() {
    if (!valid_) return;
    auto keep = shared_from_this();  // the callback may drop the last other reference
    if (!repeats_) valid_ = false;
    if (callback_) callback_(*this);
}

}  // namespace platform
