#include "platform/foundation/NotificationCenter.h"

#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <atomic>

namespace platform {
namespace {
std::atomic<NotificationCenter*> gDefault{nullptr};
}  // namespace

NotificationCenter& NotificationCenter::defaultCenter() {
    NotificationCenter* c = gDefault.load();
    if (c) return *c;
    // Before the host installs one, a centre of the process's own serves.
    static NotificationCenter fallback;
    return fallback;
}

void NotificationCenter::setDefaultCenter(NotificationCenter* center) { gDefault.store(center); }

ObserverHandle NotificationCenter::addObserver(const std::string& name, const void* object, Handler handler) {
    if (!handler) return {};
    auto alive = std::make_shared<bool>(true);
    std::lock_guard lk(mutex_);
    regs_.push_back({name, object, std::make_shared<Handler>(std::move(handler)), alive});
    return ObserverHandle(this, lifetime_, std::move(alive));
}

void NotificationCenter::remove(const bool* alive) {
    std::lock_guard lk(mutex_);
    std::erase_if(regs_, [&](const Registration& r) {
        if (r.alive.get() != alive) return false;
        *r.alive = false;  // a delivery in progress skips it
        return true;
    });
}

void NotificationCenter::post(const Notification& n) {
    RunLoop* loop = RunLoop::mainIfAny();
    if (!loop || loop->isCurrentThread()) {
        deliver(n);
        return;
    }
    loop->post([weak = std::weak_ptr<int>(lifetime_), this, n] {
        if (weak.lock()) deliver(n);
    });
}

void NotificationCenter::deliver(const Notification& n) {
    // Handlers may add or remove observers: work from a snapshot and skip whoever was removed.
    std::vector<Registration> matching;
    {
        std::lock_guard lk(mutex_);
        for (const auto& r : regs_) {
            bool nameOk = r.name.empty() || r.name == n.name;
            bool objectOk = !r.object || r.object == n.object;
            if (nameOk && objectOk) matching.push_back(r);
        }
    }
    for (const auto& r : matching) {
        {
            std::lock_guard lk(mutex_);
            if (!*r.alive) continue;
        }
        (*r.handler)(n);
    }
}

}  // namespace platform
