#pragma once
// One position fix, copied whole, for a picture's GPS metadata.
#include <string>

namespace kestrova {

struct GpsSnapshot {
    float latitude = 0;        // signed, north positive
    float longitude = 0;       // signed, east positive
    std::string latitudeRef;   // "N" or "S"
    std::string longitudeRef;  // "E" or "W"
};

}  // namespace kestrova
