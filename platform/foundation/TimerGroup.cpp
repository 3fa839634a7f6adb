#include "platform/foundation/TimerGroup.h"

#include <algorithm>

namespace platform {

TimerGroup& TimerGroup::operator=(TimerGroup&& other) noexcept {
    if (this != &other) {
        cancelAll();
        handles_ = std::move(other.handles_);
    }
    return *this;
}

void TimerGroup::add(TimerHandle handle) {
    handles_.erase(std::remove_if(handles_.begin(), handles_.end(),
                                  [](const TimerHandle& h) { return !h.isActive(); }),
                   handles_.end());
    if (handle.isActive()) handles_.push_back(std::move(handle));
}

void TimerGroup::cancelAll() {
    handles_.clear();  // each handle cancels its timer as it goes
}

bool TimerGroup::anyActive() const {
    return std::any_of(handles_.begin(), handles_.end(), [](const TimerHandle& h) { return h.isActive(); });
}

}  // namespace platform
