#pragma once
// A touch event: every touch on the screen at this moment, not only those of one view.
#include "platform/ui/Touch.h"

namespace platform {

class Event {
public:
    Event(TouchSet allTouches, double timestamp) : all_(std::move(allTouches)), timestamp_(timestamp) {}

    // Every touch on the screen, in the order the fingers came down.
    const TouchSet& allTouches() const { return all_; }
    // The touches that stick to `view`.
    TouchSet touchesForView(const View* view) const;
    double timestamp() const { return timestamp_; }

private:
    TouchSet all_;
    double timestamp_;
};

}  // namespace platform
