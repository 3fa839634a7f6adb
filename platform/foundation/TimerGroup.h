#pragma once
// Any number of pending timers held by one owner and cancelled together: by cancelAll() or when
// the group goes. For calls that may be scheduled again while one is still pending, where a
// single TimerHandle would drop the earlier one.
#include "platform/foundation/TimerHandle.h"

#include <vector>

namespace platform {

class TimerGroup {
public:
    TimerGroup() = default;
    TimerGroup(TimerGroup&&) noexcept = default;
    TimerGroup& operator=(TimerGroup&& other) noexcept;
    TimerGroup(const TimerGroup&) = delete;
    TimerGroup& operator=(const TimerGroup&) = delete;
    ~TimerGroup() = default;  // the handles cancel themselves

    // Keeps `handle`; drops the handles that have finished meanwhile.
    void add(TimerHandle handle);
    void cancelAll();
    // True while any of the timers will still fire.
    bool anyActive() const;

private:
    std::vector<TimerHandle> handles_;
};

}  // namespace platform
