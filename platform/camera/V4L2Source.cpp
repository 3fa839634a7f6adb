#include "platform/camera/V4L2Source.h"

#include "platform/camera/SensorFrame.h"
#include "platform/camera/VideoFrameConverter.h"
#include "platform/foundation/IdlingResource.h"
#include "platform/foundation/RunLoop.h"

#include <algorithm>
#include <chrono>

namespace platform {

// What the capture thread and the deliveries it posts share; a delivery may still be queued on
// the run loop when the source goes.
struct V4L2Source::Shared {
    explicit Shared(RunLoop& loop) : idling(loop, "camera") {}
    IdlingResource idling;
    std::atomic<bool> pending{false};  // a frame is on its way to the main thread
    // Main thread only:
    bool alive = true;
    ImageRef latest;
    uint64_t delivered = 0;
};

std::optional<VideoFormat> V4L2Source::negotiate(VideoDevice& device, std::string* error) {
    const auto offered = device.pixelFormats();
    for (uint32_t wanted : {kFourccYUYV, kFourccMJPEG}) {
        if (std::find(offered.begin(), offered.end(), wanted) == offered.end()) continue;
        auto f = device.setFormat(wanted, kRequestWidth, kRequestHeight);
        if (f && (f->pixelFormat == kFourccYUYV || f->pixelFormat == kFourccMJPEG) && f->width > 0 && f->height > 0)
            return f;
    }
    if (error) *error = "the device offers neither YUYV nor MJPEG";
    return std::nullopt;
}

std::unique_ptr<V4L2Source> V4L2Source::open(std::unique_ptr<VideoDevice> device, const std::string& path,
                                             RunLoop& loop, std::string* error) {
    if (!device) return nullptr;
    if (!device->open(path)) {
        if (error) *error = device->lastError();
        return nullptr;
    }
    auto format = negotiate(*device, error);
    if (!format) return nullptr;
    if (!device->startStreaming()) {
        if (error) *error = device->lastError();
        return nullptr;
    }
    return std::unique_ptr<V4L2Source>(new V4L2Source(std::move(device), path, *format, loop));
}

V4L2Source::V4L2Source(std::unique_ptr<VideoDevice> device, std::string path, VideoFormat format, RunLoop& loop)
    : device_(std::move(device)), path_(std::move(path)), format_(format), loop_(loop),
      shared_(std::make_shared<Shared>(loop)) {
    thread_ = std::thread([this] { captureLoop(); });
}

V4L2Source::~V4L2Source() {
    {
        std::lock_guard lk(stopMutex_);
        stop_.store(true);
    }
    stopCv_.notify_all();
    if (thread_.joinable()) thread_.join();
    device_->stopStreaming();
    shared_->alive = false;
}

void V4L2Source::captureLoop() {
    auto shared = shared_;
    const VideoFormat format = format_;
    while (!stop_.load()) {
        const bool got = device_->readFrame(
            [&](const uint8_t* data, size_t length) {
                if (shared->pending.exchange(true)) return;  // the last one has not arrived yet
                shared->idling.beginWork();
                ImageRef world = VideoFrameConverter::toBGRX(format, data, length);
                loop_.post([shared, world = std::move(world)] {
                    if (shared->alive && world) {
                        shared->latest = world;
                        ++shared->delivered;
                    }
                    shared->pending.store(false);
                    shared->idling.endWork();
                });
            },
            0.1);
        if (!got) {
            // A device that fails at once (unplugged) must not spin this thread.
            std::unique_lock lk(stopMutex_);
            stopCv_.wait_for(lk, std::chrono::milliseconds(100), [this] { return stop_.load(); });
        }
    }
}

uint64_t V4L2Source::framesDelivered() const { return shared_->delivered; }

ImageRef V4L2Source::previewFrame(int orientation) {
    if (!shared_->latest) return nullptr;
    if (!preview_ || previewFrameNumber_ != shared_->delivered || previewOrientation_ != orientation) {
        preview_ = SensorFrame::fromWorld(shared_->latest, kPreviewWidth, kPreviewHeight, orientation);
        previewFrameNumber_ = shared_->delivered;
        previewOrientation_ = orientation;
    }
    return preview_;
}

ImageRef V4L2Source::pictureFrame(int orientation) {
    return SensorFrame::fromWorld(shared_->latest, kPictureWidth, kPictureHeight, orientation);
}

}  // namespace platform
