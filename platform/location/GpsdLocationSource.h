#pragma once
// A real receiver through gpsd (libgps), read on a thread of its own. Fixes are posted to the main
// run loop; while one is on its way an idling resource is busy, so a headless script sees it
// before virtual time moves on. A daemon that cannot be reached gives one warning line, then no
// fix; the thread keeps trying quietly while updates run.
#include "platform/location/LocationSource.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

class IdlingResource;
class RunLoop;

class GpsdLocationSource final : public LocationSource {
public:
    using Warn = std::function<void(const std::string& line)>;

    static constexpr const char* kDefaultHost = "localhost";
    static constexpr const char* kDefaultPort = "2947";
    static constexpr double kRetrySeconds = 2.0;  // real time between connection attempts

    // `warn` receives the one warning line (default: standard error). `keepTrying` false: a daemon
    // that cannot be reached at the first attempt is taken as none for the rest of the run.
    GpsdLocationSource(RunLoop& loop, std::string host = kDefaultHost, std::string port = kDefaultPort,
                       Warn warn = {}, bool keepTrying = true);
    ~GpsdLocationSource() override;

    const std::string& host() const { return host_; }
    const std::string& port() const { return port_; }

protected:
    void start() override;
    void stop() override;

private:
    void run();
    bool keepReading();           // updates wanted and the source not closing
    bool waitUntilWanted();       // false when the source is closing
    void pause(double seconds);   // until the time is up, updates stop or the source closes
    void post(const Location& fix);

    RunLoop& loop_;
    std::string host_, port_;
    Warn warn_;
    std::unique_ptr<IdlingResource> idling_;

    std::mutex mutex_;  // guards wanted_, quit_
    std::condition_variable cv_;
    bool wanted_ = false;
    bool quit_ = false;
    const bool keepTrying_;
    bool warned_ = false;  // reader thread only
    bool reached_ = false;  // reader thread only: the daemon answered once
    std::thread thread_;
};

}  // namespace platform
