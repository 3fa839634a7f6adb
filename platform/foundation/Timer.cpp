#include "platform/foundation/Timer.h"

namespace platform {

void Timer::fire() {
    if (!valid_) return;
    auto keep = shared_from_this();  // the callback may drop the last other reference
    if (repeat_ == TimerRepeat::Once) valid_ = false;
    if (callback_) callback_(*this);
}

}  // namespace platform
