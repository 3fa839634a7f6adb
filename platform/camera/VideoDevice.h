#pragma once
// Access to a video capture device, behind an interface so that format negotiation, frame
// conversion and a device that goes away can be tested without hardware. LibV4L2Device is the
// real one.
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
// Bytes B,G,R a pixel: what libv4l2 converts any other format to.
constexpr uint32_t kFourccBGR24 = fourcc('B', 'G', 'R', '3');
// What PipeWire cameras send besides YUYV and MJPEG, named as V4L2 names them: a Y plane and one
// of interleaved U,V at half size; Y, U and V planes; bytes B,G,R,X and R,G,B,X a pixel.
constexpr uint32_t kFourccNV12 = fourcc('N', 'V', '1', '2');
constexpr uint32_t kFourccI420 = fourcc('Y', 'U', '1', '2');
constexpr uint32_t kFourccBGRX = fourcc('X', 'R', '2', '4');
constexpr uint32_t kFourccRGBX = fourcc('X', 'B', '2', '4');

struct VideoFormat {
    uint32_t pixelFormat = 0;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;  // 0 for compressed formats; of the first plane for planar ones
    bool operator==(const VideoFormat&) const = default;
};

// Seconds a frame, as V4L2 writes it: 1/30 is {1, 30}.
struct FrameInterval {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
    double fps() const { return numerator ? double(denominator) / numerator : 0; }
    bool operator==(const FrameInterval&) const = default;
};

// One size of one pixel format and the frame intervals the device offers for it.
struct VideoMode {
    uint32_t pixelFormat = 0;
    int width = 0;
    int height = 0;
    std::vector<FrameInterval> intervals;
    bool emulated = false;  // made by libv4l2 from another format, not sent by the device
};

class VideoDevice {
public:
    enum class ReadResult {
        Frame,        // a frame was handed to the consumer
        Timeout,      // none within the time asked
        Broken,       // the device marked the frame as damaged; it was not handed on
        Lost,         // the device is gone or failed (ENODEV, EIO, POLLERR, POLLHUP): reopen it
        Interrupted,  // interrupt() was called
    };

    virtual ~VideoDevice() = default;

    // Opens the device and checks that it can capture by streaming (metadata nodes cannot). On
    // failure returns false and leaves the device's own reason in lastError().
    virtual bool open(const std::string& path) = 0;
    // Stops streaming and closes the device; open() may be called again.
    virtual void close() = 0;
    // Every pixel format, size and frame interval the device offers.
    virtual std::vector<VideoMode> modes() = 0;
    // Asks for a format; returns what the device settled on (it may change the size, or even
    // the pixel format), or nothing when it refused.
    virtual std::optional<VideoFormat> setFormat(uint32_t pixelFormat, int width, int height) = 0;
    // Asks for a frame interval (VIDIOC_S_PARM). False when the device does not take one.
    virtual bool setFrameInterval(FrameInterval interval) = 0;
    virtual bool startStreaming() = 0;
    // Waits up to `timeoutSeconds` for the next frame and hands its bytes to `consume`, valid
    // only during the call.
    virtual ReadResult readFrame(const std::function<void(const uint8_t* data, size_t length)>& consume,
                                 double timeoutSeconds) = 0;
    // Any thread: makes a waiting or the next readFrame return Interrupted at once.
    virtual void interrupt() = 0;
    virtual void stopStreaming() = 0;
    virtual std::string lastError() const = 0;
    // The errno of the last failure (ENOSPC when the bus has no room for the stream), 0 if none.
    virtual int lastErrorNumber() const = 0;
};

}  // namespace platform
