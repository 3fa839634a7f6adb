#pragma once
// Turns one captured video frame into B,G,R,X pixels: YUYV, NV12 and I420 through libyuv (BT.601,
// limited range, as cameras send them), MJPEG through libjpeg-turbo, B,G,R (libv4l2's conversion
// of any other format), B,G,R,X and R,G,B,X through libyuv.
#include "platform/camera/VideoDevice.h"
#include "platform/graphics/Image.h"

#include <functional>
#include <vector>

namespace platform {

class FramePool;

// One plane of a frame as it lies in memory: `stride` bytes a row (0: the plane's narrowest).
struct VideoPlane {
    const uint8_t* data = nullptr;
    size_t length = 0;
    int stride = 0;
};

class VideoFrameConverter {
public:
    // Null when the data is shorter than the format says, does not decode, ends early (an MJPEG
    // frame cut short), or the format is none of the above. An MJPEG frame is decoded at the
    // smallest of libjpeg's scales whose size `enough` accepts (full size without it). Pixels go
    // into `pool` when given.
    static ImageRef toBGRX(const VideoFormat& format, const uint8_t* data, size_t length, FramePool* pool = nullptr,
                           const std::function<bool(int width, int height)>& enough = {});
    // The same from separate planes (NV12: Y, UV; I420: Y, U, V). Fewer planes than the format
    // has: the missing ones follow the last one given, at half its stride for I420's U and V.
    static ImageRef toBGRX(const VideoFormat& format, std::vector<VideoPlane> planes, FramePool* pool = nullptr,
                           const std::function<bool(int width, int height)>& enough = {});
    // True for the pixel formats above.
    static bool canConvert(uint32_t pixelFormat);
};

}  // namespace platform
