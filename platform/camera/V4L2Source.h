#pragma once
// A webcam as the camera (host option `v4l2:/dev/videoN`). The device streams on a capture
// thread, delivering as every LiveCameraSource does.
//
// A webcam that is unplugged, fails, or is silent for Timing::stallSeconds is lost, and the
// capture thread tries to open the device again every Timing::reopenInterval.
#include "platform/camera/LiveCameraSource.h"
#include "platform/camera/VideoDevice.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace platform {

class V4L2Source final : public LiveCameraSource {
public:
    struct Timing {
        double readTimeout = 0.25;    // one wait for a frame, s
        double stallSeconds = 2;      // no frame for this long: lost
        double reopenInterval = 1;    // between attempts to open a lost device, s
        double settleSeconds = 0.5;   // after the first frame, on the run loop's clock
    };

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

    // Stops the capture thread.
    ~V4L2Source() override;

    std::string description() const override { return "v4l2:" + path_; }

private:
    V4L2Source(std::unique_ptr<VideoDevice> device, std::string path, VideoFormat format, RunLoop& loop, Warn warn,
               Timing timing);
    void captureLoop(VideoFormat format);
    void lose(const std::string& reason);

    std::unique_ptr<VideoDevice> device_;
    const std::string path_;
    const Timing timing_;
    std::atomic<bool> stop_{false};
    std::mutex stopMutex_;
    std::condition_variable stopCv_;
    std::thread thread_;
};

}  // namespace platform
