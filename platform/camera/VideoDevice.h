#pragma once
// Access to a video capture device, behind an interface so that format negotiation and frame
// conversion can be tested without hardware. LibV4L2Device is the real one.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kFourccYUYV = fourcc('Y', 'U', 'Y', 'V');
constexpr uint32_t kFourccMJPEG = fourcc('M', 'J', 'P', 'G');

struct VideoFormat {
    uint32_t pixelFormat = 0;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;  // 0 for compressed formats
    bool operator==(const VideoFormat&) const = default;
};

class VideoDevice {
public:
    virtual ~VideoDevice() = default;

    // Opens the device and checks that it can capture by streaming. On failure returns false
    // and leaves a short reason in lastError().
    virtual bool open(const std::string& path) = 0;
    // The pixel formats the device offers, in its own order.
    virtual std::vector<uint32_t> pixelFormats() = 0;
    // Asks for a format; returns what the device settled on (it may change the size, or even
    // the pixel format), or nothing when it refused.
    virtual std::optional<VideoFormat> setFormat(uint32_t pixelFormat, int width, int height) = 0;
    virtual bool startStreaming() = 0;
    // Waits up to `timeoutSeconds` for the next frame and hands its bytes to `consume`, valid
    // only during the call. False on time-out or error.
    virtual bool readFrame(const std::function<void(const uint8_t* data, size_t length)>& consume,
                           double timeoutSeconds) = 0;
    virtual void stopStreaming() = 0;
    virtual std::string lastError() const = 0;
};

}  // namespace platform
