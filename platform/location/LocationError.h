#pragma once
// Why a location manager could not produce a fix.
#include <string>

namespace platform {

struct LocationError {
    enum class Code {
        LocationUnknown = 0,  // no fix could be determined for now
        Denied = 1,           // location services are off
    };
    Code code = Code::LocationUnknown;
    std::string message;
};

}  // namespace platform
