#pragma once
// Told about the geotag position's fixes and errors, on the main thread.
#include <string>

namespace kestrova {

class GeoPositionDelegate {
public:
    virtual ~GeoPositionDelegate() = default;
    // A new fix was accepted.
    virtual void updateAboutViewLabels() = 0;
    // Log lines about the position's errors and updates; optional, nothing on screen shows them.
    virtual void newError(const std::string& text) {}
    virtual void newLocationUpdate(const std::string& text) {}
};

}  // namespace kestrova
