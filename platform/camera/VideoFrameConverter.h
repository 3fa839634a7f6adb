#pragma once
// Turns one captured video frame into B,G,R,X pixels: YUYV through libyuv (BT.601, limited
// range, as webcams send it), MJPEG through libjpeg-turbo, and B,G,R (libv4l2's conversion of
// any other format) through libyuv.
#include "platform/camera/VideoDevice.h"
#include "platform/graphics/Image.h"

#include <functional>

namespace platform {

class FramePool;

class VideoFrameConverter {
public:
    // Null when the data is shorter than the format says, does not decode, ends early (an MJPEG
    // frame cut short), or the format is none of the three. An MJPEG frame is decoded at the
    // smallest of libjpeg's scales whose size `enough` accepts (full size without it). Pixels go
    // into `pool` when given.
    static ImageRef toBGRX(const VideoFormat& format, const uint8_t* data, size_t length, FramePool* pool = nullptr,
                           const std::function<bool(int width, int height)>& enough = {});
    // True for the pixel formats above.
    static bool canConvert(uint32_t pixelFormat);
};

}  // namespace platform
