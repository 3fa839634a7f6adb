#include "platform/location/LocationSource.h"

#include <algorithm>

namespace platform {

void LocationSource::addListener(Listener* listener) {
    if (!listener || std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) return;
    listeners_.push_back(listener);
    if (listeners_.size() == 1) start();
}

void LocationSource::removeListener(Listener* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it == listeners_.end()) return;
    listeners_.erase(it);
    if (listeners_.empty()) stop();
}

void LocationSource::deliver(const Location& location) {
    if (!location.isWellFormed()) return;
    const auto snapshot = listeners_;
    for (Listener* l : snapshot) {
        // Skip whoever an earlier listener's callback removed.
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) l->locationSourceDidUpdate(location);
    }
}

void LocationSource::deliverError(const LocationError& error) {
    const auto snapshot = listeners_;
    for (Listener* l : snapshot) {
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) l->locationSourceDidFail(error);
    }
}

void LocationSource::setAvailabilityObserver(const void* owner, std::function<void(bool)> observer) {
    observerOwner_ = owner;
    observer_ = std::move(observer);
}

void LocationSource::removeAvailabilityObserver(const void* owner) {
    if (owner != observerOwner_) return;
    observerOwner_ = nullptr;
    observer_ = nullptr;
}

void LocationSource::setAvailable(bool available) {
    if (available_ == available) return;
    available_ = available;
    if (observer_) observer_(available);
}

}  // namespace platform
