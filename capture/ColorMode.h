#pragma once
// The colour effect of a picture, numbered as the "ColorMode" setting stores it and as its option
// button counts its states.
#include <cstdint>

namespace kestrova {

enum class ColorMode : int32_t {
    FullColor = 0,
    Greyscale = 1,  // drawn into a grey context, not filtered
    Sepia = 2,
    Negative = 3,
    Red = 4,  // the single-colour effects keep strongly red, green or blue areas in colour
    Green = 5,
    Blue = 6,
};

}  // namespace kestrova
