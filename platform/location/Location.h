#pragma once
// One position fix as a location source reports it.
#include <cmath>

namespace platform {

struct Location {
    double latitude = 0;             // degrees, north positive
    double longitude = 0;            // degrees, east positive
    double horizontalAccuracy = -1;  // metres; negative means the fix is invalid
    double timestamp = 0;            // seconds on the main run loop's clock when the fix arrived

    // Coordinates on the globe and a finite accuracy. Anything else is never handed out as a fix.
    bool isWellFormed() const {
        return std::isfinite(latitude) && std::isfinite(longitude) && std::isfinite(horizontalAccuracy) &&
               std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
    }
};

}  // namespace platform
