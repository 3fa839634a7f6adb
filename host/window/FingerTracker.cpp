#include "host/window/FingerTracker.h"

namespace host {

std::optional<int> FingerTracker::press(Key key) {
    if (auto f = find(key)) return f;
    for (int i = 0; i < kFingers; ++i) {
        if (!slots_[i].used && !slots_[i].reserved) {
            slots_[i].used = true;
            slots_[i].key = key;
            return i;
        }
    }
    return std::nullopt;
}

std::optional<int> FingerTracker::find(Key key) const {
    for (int i = 0; i < kFingers; ++i)
        if (slots_[i].used && slots_[i].key == key) return i;
    return std::nullopt;
}

std::optional<int> FingerTracker::release(Key key) {
    auto f = find(key);
    if (f) slots_[*f].used = false;
    return f;
}

void FingerTracker::reserve(int finger, bool reserved) {
    if (finger >= 0 && finger < kFingers) slots_[finger].reserved = reserved;
}

std::vector<int> FingerTracker::releaseAll() {
    std::vector<int> out;
    for (int i = 0; i < kFingers; ++i) {
        if (slots_[i].used) {
            slots_[i].used = false;
            out.push_back(i);
        }
    }
    return out;
}

bool FingerTracker::empty() const {
    for (const auto& s : slots_)
        if (s.used) return false;
    return true;
}

}  // namespace host
