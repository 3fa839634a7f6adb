#pragma once
// The screen edge the quick view docks at.
#include <cstdint>

namespace kestrova {

enum class DockSide : int32_t {
    Left = 0,
    Right = 1,
};

}  // namespace kestrova
