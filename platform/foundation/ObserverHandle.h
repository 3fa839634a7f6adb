#pragma once
// Ownership of one notification registration: destroying the handle, assigning another to it or
// reset() removes the registration, so an owner that keeps its handles as members needs no
// clean-up of its own. Move-only; a moved-from handle is empty. A handle that outlives its centre
// is simply empty. Main thread, as delivery.
#include <memory>

namespace platform {

class NotificationCenter;

class ObserverHandle {
public:
    ObserverHandle() = default;
    ObserverHandle(ObserverHandle&& other) noexcept
        : center_(other.center_), lifetime_(std::move(other.lifetime_)), alive_(std::move(other.alive_)) {}
    ObserverHandle& operator=(ObserverHandle&& other) noexcept {
        if (this != &other) {
            reset();
            center_ = other.center_;
            lifetime_ = std::move(other.lifetime_);
            alive_ = std::move(other.alive_);
        }
        return *this;
    }
    ObserverHandle(const ObserverHandle&) = delete;
    ObserverHandle& operator=(const ObserverHandle&) = delete;
    ~ObserverHandle() { reset(); }

    // Removes the registration (a delivery in progress skips it) and empties the handle.
    void reset();
    // True while the registration still receives notifications.
    bool isActive() const;

private:
    friend class NotificationCenter;
    ObserverHandle(NotificationCenter* center, std::weak_ptr<int> lifetime, std::shared_ptr<bool> alive)
        : center_(center), lifetime_(std::move(lifetime)), alive_(std::move(alive)) {}

    NotificationCenter* center_ = nullptr;
    std::weak_ptr<int> lifetime_;  // the centre's; expired once it is gone
    std::shared_ptr<bool> alive_;  // the registration's flag, which identifies it
};

}  // namespace platform
