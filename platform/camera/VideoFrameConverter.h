#pragma once
// Turns one captured video frame into B,G,R,X pixels: YUYV through libyuv (BT.601, limited
// range, as webcams send it), MJPEG through libjpeg-turbo.
#include "platform/camera/VideoDevice.h"
#include "platform/graphics/Image.h"

namespace platform {

class VideoFrameConverter {
public:
    // Null when the data is shorter than the format says, does not decode, or the format is
    // neither YUYV nor MJPEG. An MJPEG frame keeps the size it decodes to.
    static ImageRef toBGRX(const VideoFormat& format, const uint8_t* data, size_t length);
};

}  // namespace platform
