#pragma once
// The size of the shutter area's touch ring, numbered as the "TouchRingSize" setting stores it.
#include <cstdint>

namespace kestrova {

enum class TouchRingSize : int32_t {
    Small = 0,
    Medium = 1,
    Large = 2,
};

}  // namespace kestrova
