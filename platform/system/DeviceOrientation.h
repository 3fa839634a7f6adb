#pragma once
// How the device is held, in the platform's numbering (Device::orientation()).
#include <cstdint>

namespace platform {

enum class DeviceOrientation : int32_t {
    Unknown = 0,
    Portrait = 1,
    PortraitUpsideDown = 2,
    LandscapeLeft = 3,
    LandscapeRight = 4,
    FaceUp = 5,
    FaceDown = 6,
};

}  // namespace platform
