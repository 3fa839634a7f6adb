#pragma once
// What every camera that streams on a thread of its own shares (webcams, PipeWire cameras): the
// producing thread converts each frame there and hands it to the main thread with RunLoop::post.
// While a frame is on its way the source counts as busy (an IdlingResource), and frames that
// arrive meanwhile are dropped, so a slow main thread never piles them up. The camera's picture
// is the upright world; the frames the camera delivers are cut from the newest one.
//
// A camera that goes away is lost: its last frame is dropped at once, so no picture is ever made
// from it, one warning line says why, and the synthetic camera stands in until frames come again.
// Pictures are taken only once a frame is there and the camera has had `settleSeconds` (on the
// run loop's clock) to set its exposure.
#include "platform/camera/CameraSource.h"
#include "platform/camera/FramePool.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/camera/VideoFrameConverter.h"
#include "platform/foundation/IdlingResource.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class BoxShrinker;
class RunLoop;

class LiveCameraSource : public CameraSource {
public:
    using Warn = std::function<void(const std::string& line)>;

    // Deliveries still queued on the run loop then do nothing. The producing thread must have
    // stopped before (in the subclass's destructor).
    ~LiveCameraSource() override;

    // Null until the first frame has reached the main thread; the synthetic camera's while lost.
    ImageRef previewFrame(DeviceOrientation orientation) override;
    ImageRef screenFrame(DeviceOrientation orientation, int width, int height) override;
    ImageRef pictureFrame(DeviceOrientation orientation) override;
    bool hasPicture() const override;

    // Main thread.
    const VideoFormat& format() const;
    uint64_t framesDelivered() const;
    bool isLost() const;

protected:
    // `warn` empty: stderr. `format`: what frames come in at first, if known.
    LiveCameraSource(RunLoop& loop, Warn warn, double settleSeconds, VideoFormat format = {});

    // The producing thread. Converts one frame and sends it to the main thread; skipped when the
    // last one has not arrived yet. False when the frame is broken (it is dropped).
    bool offerFrame(const VideoFormat& format, std::vector<VideoPlane> planes);
    // The producing thread: the camera is gone; `reason` goes into the warning line (one until
    // frames come again).
    void reportLost(const std::string& reason);
    // The producing thread: frames come in `format` from now on.
    void reportFormat(const VideoFormat& format);
    // Main thread, before the first frame: there is no camera yet. The stand-in shows without a
    // warning until frames come.
    void markMissing();

    RunLoop& loop_;

private:
    struct Shared;
    // Hands `fn` to the main thread, counted as busy until it has run.
    void post(std::function<void(Shared&)> fn);
    // The newest frame's centre, upright, uw x uh: made once per frame and size, by the producing
    // thread when the screen asked for that size before.
    ImageRef uprightLive(int uw, int uh);
    // `shrink`: the producing thread's, kept from frame to frame.
    static ImageRef uprightOf(const ImageRef& world, int uw, int uh, FramePool* pool,
                              std::unique_ptr<BoxShrinker>* shrink = nullptr);

    const Warn warn_;
    const double settleSeconds_;
    IdlingResource idling_;
    std::shared_ptr<Shared> shared_;
    SyntheticSource standIn_;
    // Main thread: preview-sized frames, from their own buffers.
    FramePool previewPool_{6};
    ImageRef upright_;
    uint64_t uprightFrame_ = 0;
};

}  // namespace platform
