#pragma once
// The modes the option buttons set, numbered as the settings store them and as the buttons count
// their states; and the one conversion between those numbers and the modes.
//
// A number read from the settings is kept as it is, even outside its mode's range: the option
// button built at start-up replaces such a state by 0 and applies it, and that 0 is what is saved
// next. So an unknown number lasts only until the buttons are built, and every mode's code treats
// it like the mode's "anything else".
#include "capture/ColorMode.h"
#include "capture/ImageSize.h"
#include "capture/RotateMode.h"
#include "platform/system/DeviceOrientation.h"
#include "ui/controls/TouchRingSize.h"
#include "ui/quickview/DockSide.h"

#include <cstdint>
#include <type_traits>

namespace kestrova {

enum class TimerMode : int32_t { Off = 0, TwoSeconds = 1, FiveSeconds = 2, TenSeconds = 3 };
enum class BurstMode : int32_t { Off = 0, On = 1 };  // on: a burst of three pictures a shot
enum class QuietMode : int32_t { Off = 0, On = 1 };  // on: no shutter sound
enum class LevelerMode : int32_t { Hidden = 0, Shown = 1 };
enum class PreviewState : int32_t { Off = 0, DockedLeft = 1, DockedRight = 2 };
enum class ZoomMode : int32_t { PinchZoom = 0, Off = 1 };

// A mode from its stored number or button state.
template <typename Mode>
constexpr Mode modeFromState(int32_t state) {
    static_assert(std::is_same_v<std::underlying_type_t<Mode>, int32_t>);
    return static_cast<Mode>(state);
}

// The number a mode is stored as.
template <typename Mode>
constexpr int32_t stateOfMode(Mode mode) {
    static_assert(std::is_same_v<std::underlying_type_t<Mode>, int32_t>);
    return static_cast<int32_t>(mode);
}

}  // namespace kestrova
