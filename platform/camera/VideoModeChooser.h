#pragma once
// Which of a webcam's modes to stream, in the order to try them: the largest 4:3 or 16:9 size
// that reaches kMinimumFps, YUYV where it does and MJPEG where only the compressed stream is fast
// enough; then smaller or compressed ones (tried when the USB bus has no room for the first);
// other shapes after those, and last the slow modes, fastest first. Formats we do not read
// ourselves (NV12, YU12, …) are streamed as libv4l2's B,G,R conversion, only when the device has
// neither YUYV nor MJPEG. Each candidate carries the frame interval to ask for: the fastest up to
// kPreferredFps.
#include "platform/camera/VideoDevice.h"

#include <vector>

namespace platform {

class VideoModeChooser {
public:
    static constexpr double kMinimumFps = 15;
    static constexpr double kPreferredFps = 30;

    struct Candidate {
        uint32_t pixelFormat = 0;
        int width = 0;
        int height = 0;
        FrameInterval interval;  // {0, 0} when the device names none
        bool operator==(const Candidate&) const = default;
    };

    // A webcam's own formats we read, cheapest first.
    static const std::vector<uint32_t>& webcamFormats();

    // `modes` as the device lists them; `readable` the formats read directly, cheapest first (the
    // order at one size). Without any listed mode (a device that cannot enumerate), the readable
    // formats at 1280 x 720, for the device to adjust.
    static std::vector<Candidate> candidates(const std::vector<VideoMode>& modes,
                                             const std::vector<uint32_t>& readable = webcamFormats());
    // The interval to ask for among `intervals` (see above); {0, 0} for none.
    static FrameInterval preferredInterval(const std::vector<FrameInterval>& intervals);
};

}  // namespace platform
