#pragma once
// The settings read at the shutter that go into a picture's record; rendering works from these
// alone.
#include "capture/ColorMode.h"
#include "capture/ImageSize.h"
#include "capture/RotateMode.h"
#include "platform/system/DeviceOrientation.h"

namespace kestrova {

struct CaptureSettings {
    ColorMode colorMode = ColorMode::FullColor;
    ImageSize imageSize = ImageSize::Large;
    platform::DeviceOrientation orientation = platform::DeviceOrientation::Portrait;  // at the shutter
    RotateMode rotateMode = RotateMode::Auto;
    float zoom = 1.0f;  // zoom factor recorded at the shutter
};

}  // namespace kestrova
