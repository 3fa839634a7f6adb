#pragma once
// A receiver at a position the host chooses (--location LAT,LON, or none), moved by the script's
// `location` command. A fix arrives kFirstFixDelay after updates start, and again at the loop's
// next turn whenever the position is set while updates run. Main thread only.
#include "platform/foundation/TimerHandle.h"
#include "platform/location/LocationSource.h"

#include <memory>
#include <optional>

namespace platform {

class RunLoop;

class SimulatedLocationSource final : public LocationSource {
public:
    static constexpr Seconds kFirstFixDelay{0.5};  // on the run loop's clock
    static constexpr double kDefaultAccuracy = 10.0;  // metres

    // `position` unset: the receiver has no fix until one is injected.
    explicit SimulatedLocationSource(RunLoop& loop, std::optional<Location> position = std::nullopt);
    ~SimulatedLocationSource() override;

    // Moves the simulated receiver. False, and nothing changes, for coordinates off the globe or a
    // non-finite value. A negative accuracy is kept: it reports an invalid fix, as receivers do.
    bool inject(double latitude, double longitude, double accuracy = kDefaultAccuracy);
    const std::optional<Location>& position() const { return position_; }

protected:
    void start() override;
    void stop() override;

private:
    void deliverCurrent();

    RunLoop& loop_;
    std::optional<Location> position_;
    TimerHandle firstFix_;
};

}  // namespace platform
