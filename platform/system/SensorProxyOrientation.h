#pragma once
// The device's orientation from the accelerometer service on the system bus (iio-sensor-proxy,
// net.hadess.SensorProxy). The accelerometer is claimed whenever the service is there (at start,
// and each time it appears again) and released when this object goes. Every orientation the
// service reports reaches `changed` on the main run loop; "undefined" changes nothing, and a
// name the service does not use is ignored with one warning line. The bus is used only on a
// thread of its own, so the main thread never waits for it; while a report is on its way an
// idling resource is busy, so a headless script sees it before virtual time moves on.
#include "platform/system/DeviceOrientation.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class BusThread;
class IdlingResource;
class RunLoop;

class SensorProxyOrientation {
public:
    using Changed = std::function<void(DeviceOrientation orientation)>;
    using Warn = std::function<void(const std::string& line)>;

    static constexpr const char* kService = "net.hadess.SensorProxy";

    // `busAddress` empty: the system bus. `warn` empty: standard error.
    SensorProxyOrientation(RunLoop& loop, Changed changed, Warn warn = {}, std::string busAddress = {});
    ~SensorProxyOrientation();
    SensorProxyOrientation(const SensorProxyOrientation&) = delete;
    SensorProxyOrientation& operator=(const SensorProxyOrientation&) = delete;

    // The device's orientation for the service's name of it: "normal" portrait, "bottom-up"
    // upside down, "right-up" landscape left, "left-up" landscape right; Unknown for "undefined";
    // none for a name the service does not use.
    static std::optional<DeviceOrientation> orientationForName(const std::string& name);

private:
    struct Link;  // what lives on the bus thread

    void report(const std::string& name);  // bus thread
    void warnOnce(const std::string& line);  // bus thread

    RunLoop& loop_;
    Changed changed_;
    Warn warn_;
    std::unique_ptr<IdlingResource> idling_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // posted reports hold it weakly
    std::unique_ptr<Link> link_;
    bool warned_ = false;  // bus thread only
    std::unique_ptr<BusThread> bus_;  // last: stopped first, while the rest is still here
};

}  // namespace platform
