#pragma once
// Named notifications, delivered on the main thread. post() from the main thread delivers at
// once, in registration order; from another thread it is posted to the main run loop.
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

    // `observer` identifies the registration for removal (may not be null). A null `object`
    // observes the name from any poster; an empty name observes every name from `object`.
    void addObserver(const void* observer, const std::string& name, const void* object, Handler handler);
    // Removes every registration of `observer`. Safe during delivery.
    void removeObserver(const void* observer);
    void removeObserver(const void* observer, const std::string& name, const void* object);

    void post(const Notification& n);
    void post(const std::string& name, const void* object = nullptr) { post(Notification{name, object, {}}); }

private:
    void deliver(const Notification& n);

    struct Registration {
        const void* observer;
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
