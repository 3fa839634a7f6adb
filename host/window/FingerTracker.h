#pragma once
// Gives each physical finger (a touchscreen's touch and finger id) one of the device's finger
// numbers for as long as it is down. SDL keeps no per-finger state we could ask later, so the host
// remembers here which number a finger got when it came down.
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace host {

class FingerTracker {
public:
    static constexpr int kFingers = 10;

    using Key = std::pair<int64_t, int64_t>;  // (touch device, finger)

    // The lowest free number, or nothing when every number is taken (the finger is then ignored).
    // A key that is already down keeps its number.
    std::optional<int> press(Key key);
    // The number of a finger that is down.
    std::optional<int> find(Key key) const;
    // Frees the finger's number and returns it.
    std::optional<int> release(Key key);
    // Reserves a number for another input (the mouse); it is never handed out while reserved.
    void reserve(int finger, bool reserved);
    // Every finger that is down, released at once (focus lost).
    std::vector<int> releaseAll();
    bool empty() const;

private:
    struct Slot {
        bool used = false;
        bool reserved = false;
        Key key{};
    };
    std::array<Slot, kFingers> slots_{};
};

}  // namespace host
