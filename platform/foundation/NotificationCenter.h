#pragma once
// Named notifications, delivered on the main thread. post() from the main thread delivers at
// once, in registration order; from another thread it is posted to the main run loop.
#include "platform/foundation/ObserverHandle.h"

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

struct Notification {
    std::string name;
    const void* object = nullptr;           // the poster, e.g. the volume controller or the device
    std::map<std::string, std::any> userInfo;
};

class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    // The process's default centre (installed by the host or a test fixture).
    static NotificationCenter& defaultCenter();
    static void setDefaultCenter(NotificationCenter* center);

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Registers `handler` for as long as the returned handle is kept (an empty handle for an
    // empty handler). A null `object` observes the name from any poster; an empty name observes
    // every name from `object`. Removing, by dropping the handle, is safe during delivery.
    [[nodiscard]] ObserverHandle addObserver(const std::string& name, const void* object, Handler handler);

    void post(const Notification& n);
    void post(const std::string& name, const void* object = nullptr) { post(Notification{name, object, {}}); }

private:
    friend class ObserverHandle;
    void deliver(const Notification& n);
    void remove(const bool* alive);

    struct Registration {
        std::string name;
        const void* object;
        std::shared_ptr<Handler> handler;
        std::shared_ptr<bool> alive;
    };
    std::vector<Registration> regs_;
    mutable std::mutex mutex_;  // guards regs_ and the alive flags
    // Posts from other threads hold this weakly, so a centre destroyed first drops them.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
