#pragma once
// Told about the geotag position's fixes and errors, on the main thread.
#include <string>

namespace kestrova {

class GeoPositionDelegate {
public:
    virtual ~GeoPositionDelegate() = default;
    // A new fix was accepted.
    virtual void updateAboutViewLabels() = 0;
    virtual void newError(const std::string& text) = 0;
    virtual void newLocationUpdate(const std::string& text) = 0;
};

}  // namespace kestrova
