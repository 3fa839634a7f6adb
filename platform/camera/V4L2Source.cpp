#include "platform/camera/V4L2Source.h"

#include "platform/camera/VideoFrameConverter.h"
#include "platform/camera/VideoModeChooser.h"

#include <cerrno>
#include <chrono>

namespace platform {

std::optional<VideoFormat> V4L2Source::startStreaming(VideoDevice& device, std::string* error) {
    std::string reason = "the device offers no format that can be read";
    for (const auto& c : VideoModeChooser::candidates(device.modes())) {
        auto f = device.setFormat(c.pixelFormat, c.width, c.height);
        if (!f) {
            reason = device.lastError();
            if (device.lastErrorNumber() == EINVAL) continue;
            break;  // busy, gone, not allowed: nothing else will do better
        }
        if (!VideoFrameConverter::canConvert(f->pixelFormat) || f->width <= 0 || f->height <= 0) continue;
        if (c.interval.numerator) device.setFrameInterval(c.interval);
        if (device.startStreaming()) return f;
        reason = device.lastError();
        device.stopStreaming();
        if (device.lastErrorNumber() != ENOSPC) break;
    }
    if (error) *error = reason;
    return std::nullopt;
}

std::unique_ptr<V4L2Source> V4L2Source::open(std::unique_ptr<VideoDevice> device, const std::string& path,
                                             RunLoop& loop, std::string* error, Warn warn, Timing timing) {
    if (!device) return nullptr;
    if (!device->open(path)) {
        if (error) *error = device->lastError();
        return nullptr;
    }
    auto format = startStreaming(*device, error);
    if (!format) {
        device->close();
        return nullptr;
    }
    return std::unique_ptr<V4L2Source>(
        new V4L2Source(std::move(device), path, *format, loop, std::move(warn), timing));
}

V4L2Source::V4L2Source(std::unique_ptr<VideoDevice> device, std::string path, VideoFormat format, RunLoop& loop,
                       Warn warn, Timing timing)
    : LiveCameraSource(loop, std::move(warn), timing.settleSeconds, format), device_(std::move(device)),
      path_(std::move(path)), timing_(timing) {
    thread_ = std::thread([this, format] { captureLoop(format); });
}

V4L2Source::~V4L2Source() {
    {
        std::lock_guard lk(stopMutex_);
        stop_.store(true);
    }
    stopCv_.notify_all();
    device_->interrupt();
    if (thread_.joinable()) thread_.join();
    device_->close();
}

void V4L2Source::lose(const std::string& reason) {
    device_->close();
    reportLost(reason);
}

void V4L2Source::captureLoop(VideoFormat format) {
    bool streaming = true;
    double quiet = 0;  // seconds without a good frame
    bool good = false;
    auto consume = [&](const uint8_t* data, size_t length) {
        good = offerFrame(format, {{data, length, format.bytesPerLine}});
    };
    while (!stop_.load()) {
        if (!streaming) {
            {
                std::unique_lock lk(stopMutex_);
                stopCv_.wait_for(lk, std::chrono::duration<double>(timing_.reopenInterval), [this] { return stop_.load(); });
            }
            if (stop_.load()) break;
            device_->close();
            if (!device_->open(path_)) continue;
            auto f = startStreaming(*device_);
            if (!f) {
                device_->close();
                continue;
            }
            format = *f;
            streaming = true;
            quiet = 0;
            reportFormat(*f);
            continue;
        }
        good = false;
        switch (device_->readFrame(consume, timing_.readTimeout)) {
            case VideoDevice::ReadResult::Timeout:
                quiet += timing_.readTimeout;
                break;
            case VideoDevice::ReadResult::Lost:
                streaming = false;
                lose(device_->lastError());
                continue;
            case VideoDevice::ReadResult::Frame:
            case VideoDevice::ReadResult::Broken:
                // A broken frame took about a frame's time; only good ones end the silence.
                quiet = good ? 0 : quiet + 1 / VideoModeChooser::kPreferredFps;
                break;
            case VideoDevice::ReadResult::Interrupted:
                break;
        }
        if (quiet >= timing_.stallSeconds) {
            streaming = false;
            lose("no frame for " + std::to_string(int(timing_.stallSeconds)) + " s");
        }
    }
}

}  // namespace platform
