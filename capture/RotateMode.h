#pragma once
// Whether a picture keeps the device orientation, numbered as the "RotateMode" setting stores it.
#include <cstdint>

namespace kestrova {

enum class RotateMode : int32_t {
    Auto = 0,  // the picture is turned as the device was held
    Off = 1,   // the picture is treated as portrait
};

}  // namespace kestrova
