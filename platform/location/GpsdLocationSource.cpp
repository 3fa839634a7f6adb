#include "platform/location/GpsdLocationSource.h"

#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"

#include <gps.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace platform {
namespace {

constexpr int kReadWaitMicros = 250000;  // how long the reader waits for data before checking its flags
constexpr double kMetresPerHdop = 5.0;   // a typical receiver's range error, for fixes without eph
constexpr double kUnknownAccuracy = 100.0;

// gpsd's best estimate of the horizontal error in metres; every field may be missing.
double horizontalAccuracy(const gps_data_t& d) {
    if (std::isfinite(d.fix.eph) && d.fix.eph >= 0) return d.fix.eph;
    if (std::isfinite(d.fix.epx) && std::isfinite(d.fix.epy)) return std::hypot(d.fix.epx, d.fix.epy);
    if (std::isfinite(d.dop.hdop) && d.dop.hdop > 0) return d.dop.hdop * kMetresPerHdop;
    return kUnknownAccuracy;
}

}  // namespace

GpsdLocationSource::GpsdLocationSource(RunLoop& loop, std::string host, std::string port, Warn warn, bool keepTrying)
    : loop_(loop),
      host_(std::move(host)),
      port_(std::move(port)),
      warn_(std::move(warn)),
      idling_(std::make_unique<IdlingResource>(loop, "gpsd")),
      keepTrying_(keepTrying) {
    if (!warn_) warn_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

GpsdLocationSource::~GpsdLocationSource() {
    {
        std::lock_guard lk(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void GpsdLocationSource::start() {
    {
        std::lock_guard lk(mutex_);
        wanted_ = true;
    }
    cv_.notify_all();
    // The thread lives until the source goes, so stopping never waits for it on the main thread.
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void GpsdLocationSource::stop() {
    {
        std::lock_guard lk(mutex_);
        wanted_ = false;
    }
    cv_.notify_all();
}

bool GpsdLocationSource::keepReading() {
    std::lock_guard lk(mutex_);
    return wanted_ && !quit_;
}

bool GpsdLocationSource::waitUntilWanted() {
    std::unique_lock lk(mutex_);
    cv_.wait(lk, [&] { return wanted_ || quit_; });
    return !quit_;
}

void GpsdLocationSource::pause(double seconds) {
    std::unique_lock lk(mutex_);
    cv_.wait_for(lk, std::chrono::duration<double>(seconds), [&] { return !wanted_ || quit_; });
}

void GpsdLocationSource::run() {
    // A daemon that goes away turns our next write into SIGPIPE, which would end the process;
    // blocked on this thread, the write just fails.
    sigset_t sigpipe;
    sigemptyset(&sigpipe);
    sigaddset(&sigpipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &sigpipe, nullptr);

    while (waitUntilWanted()) {
        gps_data_t data{};
        if (gps_open(host_.c_str(), port_.c_str(), &data) != 0) {
            if (!keepTrying_ && !reached_) return;  // nobody there: no receiver, and no retries
            if (!warned_) {
                warned_ = true;
                warn_("warning: cannot reach gpsd at " + host_ + ":" + port_ + " (" + gps_errstr(errno) +
                      "); no position fix");
            }
            pause(kRetrySeconds);
            continue;
        }
        reached_ = true;
        bool lost = gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr) != 0;
        while (!lost && keepReading()) {
            errno = 0;
            if (!gps_waiting(&data, kReadWaitMicros)) {
                lost = errno != 0;  // the connection failed: open it again
                continue;
            }
            if (gps_read(&data, nullptr, 0) < 0) {  // closed by the daemon
                lost = true;
                continue;
            }
            if (!(data.set & LATLON_SET) || data.fix.mode < MODE_2D) continue;
            Location fix{data.fix.latitude, data.fix.longitude, horizontalAccuracy(data), 0};
            if (fix.isWellFormed()) post(fix);
        }
        if (!lost) gps_stream(&data, WATCH_DISABLE, nullptr);
        gps_close(&data);
        if (keepReading()) pause(kRetrySeconds);  // dropped, not stopped: do not hammer the daemon
    }
}

void GpsdLocationSource::post(const Location& fix) {
    idling_->beginWork();
    loop_.post([weak = lifetime(), this, fix] {
        if (!weak.lock()) return;  // the source, and its idling resource, are gone
        Location l = fix;
        l.timestamp = loop_.now();
        deliver(l);
        idling_->endWork();
    });
}

}  // namespace platform
