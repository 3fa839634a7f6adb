#pragma once
// A V4L2 capture device through libv4l2: VIDIOC_QUERYCAP, the format, size and interval
// enumerations, VIDIOC_S_FMT, VIDIOC_S_PARM and memory-mapped streaming. libv4l2 also offers
// formats of its own (B,G,R and planar YUV converted from what the device sends). Used from one
// thread at a time, except interrupt().
#include "platform/camera/VideoDevice.h"

#include <vector>

namespace platform {

class LibV4L2Device final : public VideoDevice {
public:
    LibV4L2Device();
    ~LibV4L2Device() override;
    LibV4L2Device(const LibV4L2Device&) = delete;
    LibV4L2Device& operator=(const LibV4L2Device&) = delete;

    bool open(const std::string& path) override;
    void close() override;
    std::vector<VideoMode> modes() override;
    std::optional<VideoFormat> setFormat(uint32_t pixelFormat, int width, int height) override;
    bool setFrameInterval(FrameInterval interval) override;
    bool startStreaming() override;
    ReadResult readFrame(const std::function<void(const uint8_t* data, size_t length)>& consume,
                         double timeoutSeconds) override;
    void interrupt() override;
    void stopStreaming() override;
    std::string lastError() const override { return error_; }
    int lastErrorNumber() const override { return errorNumber_; }

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };
    bool fail(const std::string& what);
    void unmapBuffers();
    std::vector<FrameInterval> intervals(uint32_t pixelFormat, int width, int height);

    int fd_ = -1;
    int wakeFd_ = -1;  // an eventfd that interrupt() signals
    bool streaming_ = false;
    std::vector<Buffer> buffers_;
    std::string error_;
    int errorNumber_ = 0;
};

}  // namespace platform
