#pragma once
// Positions from GeoClue2 on the system bus: a client of its manager, named
// org.kestrova.camera, asking for exact accuracy, started while someone listens and stopped when
// the last listener leaves. Each LocationUpdated is read (latitude, longitude, accuracy, time)
// and delivered on the main run loop; a fix older than the one before, off the globe or of the
// wrong types is ignored, the last two with one warning line.
//
// A service that refuses us, or that is not there, makes the source unavailable (location
// services off) until the service appears again. With a `fallback`, a GeoClue2 that is not on the
// bus when first asked hands the job to the fallback for the rest of the run instead.
//
// The bus is used only on a thread of its own: the main thread never waits for it.
#include "platform/location/LocationSource.h"

#include <functional>
#include <memory>
#include <string>

namespace sdbus {
class Error;
}

namespace platform {

class BusThread;
class IdlingResource;
class RunLoop;

class GeoClueLocationSource final : public LocationSource, private LocationSource::Listener {
public:
    using Warn = std::function<void(const std::string& line)>;

    static constexpr const char* kService = "org.freedesktop.GeoClue2";
    static constexpr const char* kDesktopId = "org.kestrova.camera";
    static constexpr unsigned kAccuracyExact = 8;  // GeoClue's GCLUE_ACCURACY_LEVEL_EXACT

    // `busAddress` empty: the system bus. `warn` empty: standard error.
    GeoClueLocationSource(RunLoop& loop, Warn warn = {}, std::string busAddress = {},
                          std::shared_ptr<LocationSource> fallback = nullptr);
    ~GeoClueLocationSource() override;

    // True once GeoClue2 was found missing and the fallback took over. Main thread.
    bool usingFallback() const { return usingFallback_; }

protected:
    void start() override;
    void stop() override;

private:
    struct Link;  // what lives on the bus thread

    // Bus thread.
    void begin();
    void configure(unsigned generation);
    void fail(unsigned generation, const std::string& step, const sdbus::Error* error);
    void lose(const std::string& newOwner);
    void read(const std::string& fixPath);
    void warnOnce(const std::string& line);
    void postAvailability(bool available);
    void postFallback();

    // Main thread.
    void locationSourceDidUpdate(const Location& location) override { deliver(location); }
    void locationSourceDidFail(const LocationError& error) override { deliverError(error); }
    void takeFallback();

    RunLoop& loop_;
    Warn warn_;
    std::shared_ptr<LocationSource> fallback_;
    bool usingFallback_ = false;
    std::unique_ptr<IdlingResource> idling_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // posted work holds it weakly
    std::unique_ptr<Link> link_;  // bus thread only
    bool warned_ = false;         // bus thread only
    std::unique_ptr<BusThread> bus_;  // last: stopped first, while the rest is still here
};

}  // namespace platform
