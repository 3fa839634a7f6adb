#include "platform/foundation/ObserverHandle.h"

#include "platform/foundation/NotificationCenter.h"

#include <mutex>

namespace platform {

void ObserverHandle::reset() {
    if (alive_ && lifetime_.lock()) center_->remove(alive_.get());
    center_ = nullptr;
    lifetime_.reset();
    alive_.reset();
}

bool ObserverHandle::isActive() const {
    if (!alive_ || lifetime_.expired()) return false;
    std::lock_guard lk(center_->mutex_);
    return *alive_;
}

}  // namespace platform
