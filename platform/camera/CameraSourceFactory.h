#pragma once
// Makes the camera source the host option names: "synthetic" (the default), "images:DIR" or
// "v4l2:/dev/videoN". A source that cannot be opened is reported in one warning line and
// replaced by the synthetic camera, so the device always has a camera.
#include "platform/camera/CameraSource.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Clock;
class RunLoop;
class VideoDevice;

class CameraSourceFactory {
public:
    using Warn = std::function<void(const std::string& line)>;
    using DeviceMaker = std::function<std::unique_ptr<VideoDevice>()>;

    // True for the three forms above (with a non-empty folder or device path).
    static bool isValidOption(const std::string& option);
    // Never null. `warn` gets the warning line (empty: it goes to stderr); `makeDevice` makes the
    // video device for "v4l2:" (empty: a LibV4L2Device). `clock` and `loop` must outlive the source.
    static std::unique_ptr<CameraSource> create(const std::string& option, const Clock& clock, RunLoop& loop,
                                                Warn warn = {}, DeviceMaker makeDevice = {});
};

}  // namespace platform
