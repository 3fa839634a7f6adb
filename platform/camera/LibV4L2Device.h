#pragma once
// A V4L2 capture device through libv4l2: VIDIOC_QUERYCAP, VIDIOC_ENUM_FMT, VIDIOC_S_FMT and
// memory-mapped streaming. Used from one thread at a time.
#include "platform/camera/VideoDevice.h"

#include <vector>

namespace platform {

class LibV4L2Device final : public VideoDevice {
public:
    LibV4L2Device() = default;
    ~LibV4L2Device() override;
    LibV4L2Device(const LibV4L2Device&) = delete;
    LibV4L2Device& operator=(const LibV4L2Device&) = delete;

    bool open(const std::string& path) override;
    std::vector<uint32_t> pixelFormats() override;
    std::optional<VideoFormat> setFormat(uint32_t pixelFormat, int width, int height) override;
    bool startStreaming() override;
    bool readFrame(const std::function<void(const uint8_t* data, size_t length)>& consume,
                   double timeoutSeconds) override;
    void stopStreaming() override;
    std::string lastError() const override { return error_; }

private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };
    bool fail(const std::string& what);
    void unmapBuffers();

    int fd_ = -1;
    bool streaming_ = false;
    std::vector<Buffer> buffers_;
    std::string error_;
};

}  // namespace platform
