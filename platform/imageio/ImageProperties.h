#pragma once
// The properties dictionary given with an image to an ImageDestination: what ends up in EXIF.
#include <optional>
#include <string>

namespace platform {

struct GpsProperties {
    double latitude = 0;        // absolute value, degrees
    double longitude = 0;       // absolute value, degrees
    std::string latitudeRef;    // "N" or "S"
    std::string longitudeRef;   // "E" or "W"
};

struct ImageProperties {
    std::optional<int> pixelWidth;   // EXIF PixelXDimension
    std::optional<int> pixelHeight;  // EXIF PixelYDimension
    std::optional<int> orientation;  // EXIF Orientation, 1..8
    std::optional<GpsProperties> gps;
};

}  // namespace platform
