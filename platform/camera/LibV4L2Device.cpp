#include "platform/camera/LibV4L2Device.h"

#include <libv4l2.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {
namespace {

int xioctl(int fd, unsigned long request, void* arg) {
    int r;
    do r = v4l2_ioctl(fd, request, arg);
    while (r == -1 && errno == EINTR);
    return r;
}

constexpr unsigned kBufferCount = 4;

// Sizes tried within a stepwise or continuous range (few webcams have one).
constexpr int kCommonSizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 960},
                                   {1600, 1200}, {1920, 1080}, {2048, 1536}, {2560, 1440}};

}  // namespace

LibV4L2Device::LibV4L2Device() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

LibV4L2Device::~LibV4L2Device() {
    close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool LibV4L2Device::fail(const std::string& what) {
    errorNumber_ = errno;
    error_ = what + ": " + std::strerror(errno);
    return false;
}

bool LibV4L2Device::open(const std::string& path) {
    if (fd_ >= 0) return true;
    // libv4l2 prints its own lines on standard error unless given a log file; our one warning
    // says what went wrong.
    static FILE* quiet = [] {
        if (!v4l2_log_file) v4l2_log_file = std::fopen("/dev/null", "we");
        return v4l2_log_file;
    }();
    (void)quiet;
    errorNumber_ = 0;
    // libv4l2's plugins print their own complaint about anything that is not a video device, so
    // that is found out first, without them.
    const int probe = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    v4l2_capability probed{};
    if (probe < 0 || ::ioctl(probe, VIDIOC_QUERYCAP, &probed) < 0) {
        errorNumber_ = errno;
        error_ = std::strerror(errno);
        if (probe >= 0) ::close(probe);
        return false;
    }
    ::close(probe);
    fd_ = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        // The device's own words ("No such file or directory", "Permission denied").
        errorNumber_ = errno;
        error_ = std::strerror(errno);
        return false;
    }
    v4l2_capability cap{};
    if (xioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0) {
        fail("VIDIOC_QUERYCAP");
        v4l2_close(fd_);
        fd_ = -1;
        return false;
    }
    const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
        errorNumber_ = ENODEV;
        error_ = "not a streaming capture device";
        v4l2_close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void LibV4L2Device::close() {
    stopStreaming();
    if (fd_ >= 0) v4l2_close(fd_);
    fd_ = -1;
}

std::vector<FrameInterval> LibV4L2Device::intervals(uint32_t pixelFormat, int width, int height) {
    std::vector<FrameInterval> out;
    for (uint32_t i = 0; i < 64; ++i) {
        v4l2_frmivalenum e{};
        e.index = i;
        e.pixel_format = pixelFormat;
        e.width = uint32_t(width);
        e.height = uint32_t(height);
        if (xioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &e) < 0) break;
        if (e.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            out.push_back({e.discrete.numerator, e.discrete.denominator});
        } else {
            // A range: its shortest and longest interval.
            out.push_back({e.stepwise.min.numerator, e.stepwise.min.denominator});
            out.push_back({e.stepwise.max.numerator, e.stepwise.max.denominator});
            break;
        }
    }
    return out;
}

std::vector<VideoMode> LibV4L2Device::modes() {
    std::vector<VideoMode> out;
    if (fd_ < 0) return out;
    for (uint32_t i = 0; i < 64; ++i) {
        v4l2_fmtdesc d{};
        d.index = i;
        d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (xioctl(fd_, VIDIOC_ENUM_FMT, &d) < 0) break;
        const bool emulated = d.flags & V4L2_FMT_FLAG_EMULATED;
        for (uint32_t j = 0; j < 256; ++j) {
            v4l2_frmsizeenum s{};
            s.index = j;
            s.pixel_format = d.pixelformat;
            if (xioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &s) < 0) break;
            if (s.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                const int w = int(s.discrete.width), h = int(s.discrete.height);
                out.push_back({d.pixelformat, w, h, intervals(d.pixelformat, w, h), emulated});
                continue;
            }
            const auto& r = s.stepwise;
            for (const auto& c : kCommonSizes) {
                if (uint32_t(c[0]) < r.min_width || uint32_t(c[0]) > r.max_width) continue;
                if (uint32_t(c[1]) < r.min_height || uint32_t(c[1]) > r.max_height) continue;
                out.push_back({d.pixelformat, c[0], c[1], intervals(d.pixelformat, c[0], c[1]), emulated});
            }
            break;
        }
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

bool LibV4L2Device::setFrameInterval(FrameInterval interval) {
    if (fd_ < 0 || !interval.numerator || !interval.denominator) return false;
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    p.parm.capture.timeperframe.numerator = interval.numerator;
    p.parm.capture.timeperframe.denominator = interval.denominator;
    if (xioctl(fd_, VIDIOC_S_PARM, &p) < 0) return fail("VIDIOC_S_PARM");
    return true;
}

bool LibV4L2Device::startStreaming() {
    if (fd_ < 0) return false;
    if (streaming_) return true;
    errorNumber_ = 0;
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_REQBUFS, &req) < 0) return fail("VIDIOC_REQBUFS");
    if (req.count < 2) {
        errorNumber_ = ENOMEM;
        error_ = "too few buffers";
        return false;
    }
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        b.index = i;
        if (xioctl(fd_, VIDIOC_QUERYBUF, &b) < 0) {
            fail("VIDIOC_QUERYBUF");
            unmapBuffers();
            return false;
        }
        void* p = v4l2_mmap(nullptr, b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, b.m.offset);
        if (p == MAP_FAILED) {
            fail("mmap");
            unmapBuffers();
            return false;
        }
        buffers_.push_back({p, b.length});
        if (xioctl(fd_, VIDIOC_QBUF, &b) < 0) {
            fail("VIDIOC_QBUF");
            unmapBuffers();
            return false;
        }
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(fd_, VIDIOC_STREAMON, &type) < 0) {
        // ENOSPC here: the USB bus has no room for this format at this size and rate.
        fail("VIDIOC_STREAMON");
        unmapBuffers();
        return false;
    }
    streaming_ = true;
    return true;
}

VideoDevice::ReadResult LibV4L2Device::readFrame(const std::function<void(const uint8_t*, size_t)>& consume,
                                                 double timeoutSeconds) {
    if (!streaming_) return ReadResult::Lost;
    pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int r = poll(p, wakeFd_ >= 0 ? 2 : 1, int(timeoutSeconds * 1000));
    if (r < 0) return errno == EINTR ? ReadResult::Timeout : (fail("poll"), ReadResult::Lost);
    if (r == 0) return ReadResult::Timeout;
    if (wakeFd_ >= 0 && (p[1].revents & POLLIN)) {
        uint64_t n;
        [[maybe_unused]] ssize_t got = ::read(wakeFd_, &n, sizeof n);
        return ReadResult::Interrupted;
    }
    if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        errorNumber_ = ENODEV;
        error_ = "the device hung up";
        return ReadResult::Lost;
    }
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_DQBUF, &b) < 0) {
        if (errno == EAGAIN) return ReadResult::Timeout;
        fail("VIDIOC_DQBUF");
        return ReadResult::Lost;  // ENODEV after an unplug, EIO when the device failed
    }
    ReadResult result = ReadResult::Broken;
    if (b.index < buffers_.size() && !(b.flags & V4L2_BUF_FLAG_ERROR)) {
        consume(static_cast<const uint8_t*>(buffers_[b.index].start), std::min<size_t>(b.bytesused, buffers_[b.index].length));
        result = ReadResult::Frame;
    }
    if (xioctl(fd_, VIDIOC_QBUF, &b) < 0) {
        fail("VIDIOC_QBUF");
        return ReadResult::Lost;
    }
    return result;
}

void LibV4L2Device::interrupt() {
    if (wakeFd_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t put = ::write(wakeFd_, &one, sizeof one);
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
        const int saved = errno;
        xioctl(fd_, VIDIOC_REQBUFS, &req);
        errno = saved;
    }
}

}  // namespace platform
