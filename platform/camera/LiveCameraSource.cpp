#include "platform/camera/LiveCameraSource.h"

#include "platform/camera/SensorFrame.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/BoxShrinker.h"

#include <cstdio>

namespace platform {
namespace {
constexpr int kUnshownFrames = 3;
}  // namespace

// What the producing thread and the deliveries it posts share; a delivery may still be queued on
// the run loop when the source goes.
struct LiveCameraSource::Shared {
    std::atomic<bool> framePending{false};  // a frame is on its way to the main thread
    std::atomic<int> inFlight{0};           // posts not yet run, each one busy on the idling resource
    FramePool pool{4};                      // the producing thread's converted frames
    FramePool uprightPool{4};               // and the upright frames it makes for the screen
    // The producing thread's shrink to the screen's size, worked out once for the frame's size.
    std::unique_ptr<BoxShrinker> shrinker;
    // The upright size the screen last asked for (width << 32 | height); 0: none is shown, so
    // the producing thread makes none.
    std::atomic<uint64_t> wantedUpright{0};
    // Main thread only:
    bool alive = true;
    ImageRef latest;
    ImageRef latestUpright;  // `latest` at the wanted upright size, when it was asked for
    int unshown = 0;  // frames delivered since the screen last asked for one
    uint64_t delivered = 0;
    VideoFormat format;
    bool lost = false;
    bool warnedSinceFrame = false;
    double firstFrameAt = -1;
};

LiveCameraSource::LiveCameraSource(RunLoop& loop, Warn warn, double settleSeconds, VideoFormat format)
    : loop_(loop), warn_(warn ? std::move(warn) : [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }),
      settleSeconds_(settleSeconds), idling_(loop, "camera"), shared_(std::make_shared<Shared>()),
      standIn_(loop.clock()) {
    shared_->format = format;
}

LiveCameraSource::~LiveCameraSource() {
    // Posts still queued find the source gone; their busy counts end here, with the source.
    shared_->alive = false;
    for (int n = shared_->inFlight.exchange(0); n > 0; --n) idling_.endWork();
}

void LiveCameraSource::post(std::function<void(Shared&)> fn) {
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

bool LiveCameraSource::offerFrame(const VideoFormat& format, std::vector<VideoPlane> planes) {
    if (shared_->framePending.load()) return true;  // the last one has not arrived yet
    auto enough = [](int w, int h) { return SensorFrame::covers(w, h, kPictureWidth, kPictureHeight); };
    ImageRef world = VideoFrameConverter::toBGRX(format, std::move(planes), &shared_->pool, enough);
    if (!world) return false;  // broken or cut short: dropped
    // The screen's frame is made here too, while the frame is fresh in this thread's cache, so the
    // main thread only shows it.
    ImageRef upright;
    if (const uint64_t wanted = shared_->wantedUpright.load())
        upright = uprightOf(world, int(wanted >> 32), int(wanted & 0xffffffffu), &shared_->uprightPool,
                            &shared_->shrinker);
    shared_->framePending.store(true);
    post([this, world = std::move(world), upright = std::move(upright)](Shared& s) {
        // A screen that stopped asking (another page is up) gets no more frames made for it; one
        // frame missed now and then is only its rate beating with the camera's.
        if (++s.unshown > kUnshownFrames) s.wantedUpright.store(0);
        s.latest = world;
        s.latestUpright = upright;
        ++s.delivered;
        s.lost = false;
        s.warnedSinceFrame = false;
        if (s.firstFrameAt < 0) s.firstFrameAt = loop_.now();
        s.framePending.store(false);
    });
    return true;
}

void LiveCameraSource::reportLost(const std::string& reason) {
    post([this, reason](Shared& s) {
        s.latest.reset();  // never a picture from a frame of a camera that is gone
        s.latestUpright.reset();
        s.lost = true;
        if (!s.warnedSinceFrame)
            warn_("warning: camera " + description() + " lost (" + reason + "); using the synthetic camera until it returns");
        s.warnedSinceFrame = true;
    });
}

void LiveCameraSource::reportFormat(const VideoFormat& format) {
    post([format](Shared& s) { s.format = format; });
}

void LiveCameraSource::markMissing() {
    shared_->lost = true;
    shared_->warnedSinceFrame = true;
}

const VideoFormat& LiveCameraSource::format() const { return shared_->format; }
uint64_t LiveCameraSource::framesDelivered() const { return shared_->delivered; }
bool LiveCameraSource::isLost() const { return shared_->lost; }

bool LiveCameraSource::hasPicture() const {
    if (shared_->lost) return true;  // the stand-in's
    return shared_->latest && loop_.now() - shared_->firstFrameAt >= settleSeconds_;
}

ImageRef LiveCameraSource::uprightOf(const ImageRef& world, int uw, int uh, FramePool* pool,
                                     std::unique_ptr<BoxShrinker>* shrink) {
    return SensorFrame::scaled(world->crop(SensorFrame::centredCrop(world->width(), world->height(), double(uw) / uh)),
                               uw, uh, pool, shrink);
}


ImageRef LiveCameraSource::uprightLive(int uw, int uh) {
    Shared& s = *shared_;
    s.wantedUpright.store(uint64_t(uint32_t(uw)) << 32 | uint32_t(uh));
    s.unshown = 0;
    if (!upright_ || uprightFrame_ != s.delivered || upright_->width() != uw || upright_->height() != uh) {
        const ImageRef& ready = s.latestUpright;
        upright_ = ready && ready->width() == uw && ready->height() == uh ? ready : uprightOf(s.latest, uw, uh, &previewPool_);
        uprightFrame_ = s.delivered;
    }
    return upright_;
}

ImageRef LiveCameraSource::previewFrame(DeviceOrientation orientation) {
    if (shared_->lost) return standIn_.previewFrame(orientation);
    if (!shared_->latest) return nullptr;
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(kPreviewWidth, kPreviewHeight, orientation, &uw, &uh);
    return SensorFrame::fromUpright(uprightLive(uw, uh), orientation, &previewPool_);
}

ImageRef LiveCameraSource::screenFrame(DeviceOrientation orientation, int width, int height) {
    if (shared_->lost) return standIn_.screenFrame(orientation, width, height);
    if (!shared_->latest) return nullptr;
    // The sensor frame is the screen frame on its side.
    int uw = 0, uh = 0;
    SensorFrame::uprightSize(height, width, orientation, &uw, &uh);
    return SensorFrame::forPortraitScreenFromUpright(uprightLive(uw, uh), orientation, &previewPool_);
}

ImageRef LiveCameraSource::pictureFrame(DeviceOrientation orientation) {
    if (shared_->lost) return standIn_.pictureFrame(orientation);
    if (!shared_->latest) return nullptr;
    return SensorFrame::fromWorld(shared_->latest, kPictureWidth, kPictureHeight, orientation);
}

}  // namespace platform
