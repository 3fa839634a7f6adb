#pragma once
// A webcam as the camera (host option `v4l2:/dev/videoN`). The device streams on a capture
// thread; each frame is converted there and handed to the main thread with RunLoop::post. While
// a frame is on its way the source counts as busy (an IdlingResource), and frames that arrive
// meanwhile are dropped, so a slow main thread never piles them up. The webcam's picture is the
// upright world; the frames the camera delivers are cut from the newest one.
//
// A webcam that goes away (unplugged, failing, or silent for Timing::stallSeconds) is lost: its
// last frame is dropped at once, so no picture is ever made from it, one warning line says why,
// and the synthetic camera stands in while the capture thread tries to open the device again.
// Pictures are taken only once a frame is there and the webcam has had Timing::settleSeconds to
// set its exposure.
#include "platform/camera/CameraSource.h"
#include "platform/camera/FramePool.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/camera/VideoDevice.h"
#include "platform/foundation/IdlingResource.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace platform {

class RunLoop;

class V4L2Source final : public CameraSource {
public:
    struct Timing {
        double readTimeout = 0.25;    // one wait for a frame, s
        double stallSeconds = 2;      // no frame for this long: lost
        double reopenInterval = 1;    // between attempts to open a lost device, s
        double settleSeconds = 0.5;   // after the first frame, on the run loop's clock
    };
    using Warn = std::function<void(const std::string& line)>;

    // Opens `device` at `path`, settles on a mode, starts streaming and the capture thread. Null
    // when any step fails, with the device's own reason in `error` (may be null). `warn` gets the
    // line when the camera is lost later (empty: stderr).
    static std::unique_ptr<V4L2Source> open(std::unique_ptr<VideoDevice> device, const std::string& path,
                                            RunLoop& loop, std::string* error, Warn warn, Timing timing);
    static std::unique_ptr<V4L2Source> open(std::unique_ptr<VideoDevice> device, const std::string& path,
                                            RunLoop& loop, std::string* error = nullptr, Warn warn = {}) {
        return open(std::move(device), path, loop, error, std::move(warn), Timing{});
    }
    // Tries the device's modes in VideoModeChooser's order until one streams: the next one only
    // when the bus has no room (ENOSPC) or the device answers with a format we cannot read.
    // Nothing on failure, with the device's own error in `error`.
    static std::optional<VideoFormat> startStreaming(VideoDevice& device, std::string* error = nullptr);

    // Stops the capture thread. Deliveries still queued on the run loop then do nothing.
    ~V4L2Source() override;

    // Null until the first frame has reached the main thread; the synthetic camera's while lost.
    ImageRef previewFrame(int orientation) override;
    ImageRef screenFrame(int orientation, int width, int height) override;
    ImageRef pictureFrame(int orientation) override;
    bool hasPicture() const override;
    std::string description() const override { return "v4l2:" + path_; }

    // Main thread.
    const VideoFormat& format() const;
    uint64_t framesDelivered() const;
    bool isLost() const;

private:
    struct Shared;
    V4L2Source(std::unique_ptr<VideoDevice> device, std::string path, VideoFormat format, RunLoop& loop, Warn warn,
               Timing timing);
    void captureLoop(VideoFormat format);
    // Capture thread: hands `fn` to the main thread, counted as busy until it has run.
    void post(std::function<void(Shared&)> fn);
    void lose(const std::string& reason);
    // The newest frame's centre, upright, uw x uh: made once per frame and size.
    ImageRef uprightLive(int uw, int uh);

    std::unique_ptr<VideoDevice> device_;
    const std::string path_;
    RunLoop& loop_;
    const Warn warn_;
    const Timing timing_;
    IdlingResource idling_;
    std::shared_ptr<Shared> shared_;
    SyntheticSource standIn_;
    std::atomic<bool> stop_{false};
    std::mutex stopMutex_;
    std::condition_variable stopCv_;
    std::thread thread_;
    // Main thread: live frames, from their own buffers.
    FramePool previewPool_{6};
    ImageRef upright_;
    uint64_t uprightFrame_ = 0;
};

}  // namespace platform
