#pragma once
// One accepted position fix, copied whole, so a reader on another thread never mixes two fixes;
// the pictures' GPS metadata is written from it.
#include <string>

namespace kestrova {

struct GeoSnapshot {
    float latitude = 0.0f;     // signed degrees, north positive (single precision, as stored)
    float longitude = 0.0f;    // signed degrees, east positive
    std::string latitudeRef;   // "N" or "S"
    std::string longitudeRef;  // "E" or "W"
};

}  // namespace kestrova
