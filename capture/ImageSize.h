#pragma once
// The picture size, numbered as the "ImageSize" setting stores it.
#include <cstdint>

namespace kestrova {

enum class ImageSize : int32_t {
    Large = 0,   // 1600 x 1200
    Medium = 1,  // 1280 x 960
    Small = 2,   // 960 x 720
};

}  // namespace kestrova
