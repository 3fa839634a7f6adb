#pragma once
// A webcam as the camera (host option `v4l2:/dev/videoN`). The device streams on a capture
// thread; each frame is converted there and handed to the main thread with RunLoop::post. While
// a frame is on its way the source counts as busy (an IdlingResource), and frames that arrive
// meanwhile are dropped, so a slow main thread never piles them up. The webcam's picture is the
// upright world; the frames the camera delivers are cut from the newest one.
#include "platform/camera/CameraSource.h"
#include "platform/camera/VideoDevice.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace platform {

class RunLoop;

class V4L2Source final : public CameraSource {
public:
    // The size asked of the device; it answers with the nearest it has.
    static constexpr int kRequestWidth = kPictureWidth;
    static constexpr int kRequestHeight = kPictureHeight;

    // Opens `device` at `path`, settles on a format, starts streaming and the capture thread.
    // Null when any step fails, with the reason in `error` (may be null).
    static std::unique_ptr<V4L2Source> open(std::unique_ptr<VideoDevice> device, const std::string& path,
                                            RunLoop& loop, std::string* error = nullptr);
    // Chooses YUYV when the device offers it, else MJPEG, and sets it at the requested size.
    // Nothing when the device offers neither or refuses both.
    static std::optional<VideoFormat> negotiate(VideoDevice& device, std::string* error = nullptr);

    ~V4L2Source() override;

    // Null until the first frame has reached the main thread.
    ImageRef previewFrame(int orientation) override;
    ImageRef pictureFrame(int orientation) override;
    std::string description() const override { return "v4l2:" + path_; }

    const VideoFormat& format() const { return format_; }
    // Frames that have reached the main thread (main thread).
    uint64_t framesDelivered() const;

private:
    struct Shared;
    V4L2Source(std::unique_ptr<VideoDevice> device, std::string path, VideoFormat format, RunLoop& loop);
    void captureLoop();

    std::unique_ptr<VideoDevice> device_;
    std::string path_;
    VideoFormat format_;
    RunLoop& loop_;
    std::shared_ptr<Shared> shared_;
    std::atomic<bool> stop_{false};
    std::mutex stopMutex_;
    std::condition_variable stopCv_;
    std::thread thread_;
    ImageRef preview_;
    uint64_t previewFrameNumber_ = 0;
    int previewOrientation_ = -1;
};

}  // namespace platform
