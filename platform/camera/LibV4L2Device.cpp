#include "platform/camera/LibV4L2Device.h"

#include <libv4l2.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>

namespace platform {
namespace {

int xioctl(int fd, unsigned long request, void* arg) {
    int r;
    do r = v4l2_ioctl(fd, request, arg);
    while (r == -1 && errno == EINTR);
    return r;
}

constexpr unsigned kBufferCount = 4;

}  // namespace

LibV4L2Device::~LibV4L2Device() {
    stopStreaming();
    if (fd_ >= 0) v4l2_close(fd_);
}

bool LibV4L2Device::fail(const std::string& what) {
    error_ = what + ": " + std::strerror(errno);
    return false;
}

bool LibV4L2Device::open(const std::string& path) {
    if (fd_ >= 0) return true;
    fd_ = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK);
    if (fd_ < 0) return fail("open");
    v4l2_capability cap{};
    if (xioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0) {
        fail("VIDIOC_QUERYCAP");
        v4l2_close(fd_);
        fd_ = -1;
        return false;
    }
    const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
        error_ = "not a streaming capture device";
        v4l2_close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

std::vector<uint32_t> LibV4L2Device::pixelFormats() {
    std::vector<uint32_t> out;
    if (fd_ < 0) return out;
    for (uint32_t i = 0; i < 64; ++i) {
        v4l2_fmtdesc d{};
        d.index = i;
        d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (xioctl(fd_, VIDIOC_ENUM_FMT, &d) < 0) break;
        out.push_back(d.pixelformat);
    }
    return out;
}

std::optional<VideoFormat> LibV4L2Device::setFormat(uint32_t pixelFormat, int width, int height) {
    if (fd_ < 0 || streaming_) return std::nullopt;
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.width = uint32_t(width);
    f.fmt.pix.height = uint32_t(height);
    f.fmt.pix.pixelformat = pixelFormat;
    f.fmt.pix.field = V4L2_FIELD_NONE;
    if (xioctl(fd_, VIDIOC_S_FMT, &f) < 0) {
        fail("VIDIOC_S_FMT");
        return std::nullopt;
    }
    return VideoFormat{f.fmt.pix.pixelformat, int(f.fmt.pix.width), int(f.fmt.pix.height),
                       int(f.fmt.pix.bytesperline)};
}

bool LibV4L2Device::startStreaming() {
    if (fd_ < 0) return false;
    if (streaming_) return true;
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_REQBUFS, &req) < 0) return fail("VIDIOC_REQBUFS");
    if (req.count < 2) {
        error_ = "too few buffers";
        return false;
    }
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        b.index = i;
        if (xioctl(fd_, VIDIOC_QUERYBUF, &b) < 0) {
            unmapBuffers();
            return fail("VIDIOC_QUERYBUF");
        }
        void* p = v4l2_mmap(nullptr, b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, b.m.offset);
        if (p == MAP_FAILED) {
            unmapBuffers();
            return fail("mmap");
        }
        buffers_.push_back({p, b.length});
        if (xioctl(fd_, VIDIOC_QBUF, &b) < 0) {
            unmapBuffers();
            return fail("VIDIOC_QBUF");
        }
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(fd_, VIDIOC_STREAMON, &type) < 0) {
        unmapBuffers();
        return fail("VIDIOC_STREAMON");
    }
    streaming_ = true;
    return true;
}

bool LibV4L2Device::readFrame(const std::function<void(const uint8_t*, size_t)>& consume, double timeoutSeconds) {
    if (!streaming_) return false;
    pollfd p{fd_, POLLIN, 0};
    const int r = poll(&p, 1, int(timeoutSeconds * 1000));
    if (r <= 0) return false;
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_DQBUF, &b) < 0) return errno == EAGAIN ? false : fail("VIDIOC_DQBUF");
    if (b.index < buffers_.size() && !(b.flags & V4L2_BUF_FLAG_ERROR))
        consume(static_cast<const uint8_t*>(buffers_[b.index].start), std::min<size_t>(b.bytesused, buffers_[b.index].length));
    if (xioctl(fd_, VIDIOC_QBUF, &b) < 0) return fail("VIDIOC_QBUF");
    return true;
}

void LibV4L2Device::stopStreaming() {
    if (streaming_) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        xioctl(fd_, VIDIOC_STREAMOFF, &type);
        streaming_ = false;
    }
    unmapBuffers();
}

void LibV4L2Device::unmapBuffers() {
    for (auto& b : buffers_) v4l2_munmap(b.start, b.length);
    buffers_.clear();
    if (fd_ >= 0) {
        v4l2_requestbuffers req{};
        req.count = 0;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        xioctl(fd_, VIDIOC_REQBUFS, &req);
    }
}

}  // namespace platform
