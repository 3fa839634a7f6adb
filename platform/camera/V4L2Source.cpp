#include "platform/camera/V4L2Source.h"

#include "platform/camera/SensorFrame.h"
#include "platform/camera/VideoFrameConverter.h"
#include "platform/camera/VideoModeChooser.h"
#include "platform/foundation/RunLoop.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace platform {

// What the capture thread and the deliveries it posts share; a delivery may still be queued on
// the run loop when the source goes.
struct V4L2Source::Shared {
    std::atomic<bool> framePending{false};  // a frame is on its way to the main thread
    std::atomic<int> inFlight{0};           // posts not yet run, each one busy on the idling resource
    FramePool pool{4};                      // the capture thread's converted frames
    // Main thread only:
    bool alive = true;
    ImageRef latest;
    uint64_t delivered = 0;
    VideoFormat format;
    bool lost = false;
    bool warnedSinceFrame = false;
    double firstFrameAt = -1;
};

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
    if (!warn) warn = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    return std::unique_ptr<V4L2Source>(
        new V4L2Source(std::move(device), path, *format, loop, std::move(warn), timing));
}

V4L2Source::V4L2Source(std::unique_ptr<VideoDevice> device, std::string path, VideoFormat format, RunLoop& loop,
                       Warn warn, Timing timing)
    : device_(std::move(device)), path_(std::move(path)), loop_(loop), warn_(std::move(warn)), timing_(timing),
      idling_(loop, "camera"), shared_(std::make_shared<Shared>()), standIn_(loop.clock()) {
    shared_->format = format;
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
    // Posts still queued find the source gone; their busy counts end here, with the source.
    shared_->alive = false;
    for (int n = shared_->inFlight.exchange(0); n > 0; --n) idling_.endWork();
}

void V4L2Source::post(std::function<void(Shared&)> fn) {
    shared_->inFlight.fetch_add(1);
    idling_.beginWork();
    loop_.post([shared = shared_, idling = &idling_, fn = std::move(fn)] {
        // The source's destructor ran on this thread and settled the count if it is gone.
        if (!shared->alive) return;
        fn(*shared);
        shared->inFlight.fetch_sub(1);
        idling->endWork();
    });
}

void V4L2Source::lose(const std::string& reason) {
    device_->close();
    shared_->framePending.store(false);
    post([this, reason](Shared& s) {
        s.latest.reset();  // never a picture from a frame of a camera that is gone
        s.lost = true;
        if (!s.warnedSinceFrame)
            warn_("warning: camera " + description() + " lost (" + reason + "); using the synthetic camera until it returns");
        s.warnedSinceFrame = true;
    });
}

void V4L2Source::captureLoop(VideoFormat format) {
    auto enough = [](int w, int h) { return SensorFrame::covers(w, h, kPictureWidth, kPictureHeight); };
    bool streaming = true;
    double quiet = 0;  // seconds without a good frame
    bool good = false;
    auto consume = [&](const uint8_t* data, size_t length) {
        if (shared_->framePending.load()) {  // the last one has not arrived yet
            good = true;
            return;
        }
        ImageRef world = VideoFrameConverter::toBGRX(format, data, length, &shared_->pool, enough);
        if (!world) return;  // broken or cut short: dropped
        good = true;
        shared_->framePending.store(true);
        post([this, world = std::move(world)](Shared& s) {
            s.latest = world;
            ++s.delivered;
            s.lost = false;
            s.warnedSinceFrame = false;
            if (s.firstFrameAt < 0) s.firstFrameAt = loop_.now();
            s.framePending.store(false);
        });
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
            post([f = *f](Shared& s) { s.format = f; });
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

const VideoFormat& V4L2Source::format() const { return shared_->format; }
uint64_t V4L2Source::framesDelivered() const { return shared_->delivered; }
bool V4L2Source::isLost() const { return shared_->lost; }

bool V4L2Source::hasPicture() const {
    if (shared_->lost) return true;  // the stand-in's
    return shared_->latest && loop_.now() - shared_->firstFrameAt >= timing_.settleSeconds;
}

ImageRef V4L2Source::uprightLive(int uw, int uh) {
    if (!upright_ || uprightFrame_ != shared_->delivered || upright_->width() != uw || upright_->height() != uh) {
        const ImageRef& world = shared_->latest;
        upright_ = SensorFrame::scaled(world->crop(SensorFrame::centredCrop(world->width(), world->height(), double(uw) / uh)),
                                       uw, uh, &previewPool_);
        uprightFrame_ = shared_->delivered;
    }
    return upright_;
}

ImageRef V4L2Source::previewFrame(int orientation) {
    if (shared_->lost) return standIn_.previewFrame(orientation);
    if (!shared_->latest) return nullptr;
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(kPreviewWidth, kPreviewHeight, orientation, &uw, &uh);
    return SensorFrame::fromUpright(uprightLive(uw, uh), orientation, &previewPool_);
}

ImageRef V4L2Source::screenFrame(int orientation, int width, int height) {
    if (shared_->lost) return standIn_.screenFrame(orientation, width, height);
    if (!shared_->latest) return nullptr;
    // The sensor frame is the screen frame on its side.
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(height, width, orientation, &uw, &uh);
    return SensorFrame::forPortraitScreenFromUpright(uprightLive(uw, uh), orientation, &previewPool_);
}

ImageRef V4L2Source::pictureFrame(int orientation) {
    if (shared_->lost) return standIn_.pictureFrame(orientation);
    if (!shared_->latest) return nullptr;
    return SensorFrame::fromWorld(shared_->latest, kPictureWidth, kPictureHeight, orientation);
}

}  // namespace platform
