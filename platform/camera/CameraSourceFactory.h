#pragma once
// Makes the camera source the host option names: "auto" (the default), "synthetic",
// "images:DIR", "v4l2:/dev/videoN" or "pipewire[:NAME]". "auto" in a window takes a PipeWire
// camera when a PipeWire daemon answers and lists one (a webcam PipeWire lists too is thus read
// through PipeWire, which can share it), else the first video capture device (/dev/video0,
// /dev/video1, … in number order; metadata and output nodes do not count), else waits for a
// PipeWire camera when a daemon answered; headless it is the synthetic camera, so a headless run
// never depends on what is plugged in. In a sandbox "pipewire[:NAME]", and "auto" in a window,
// are the PipeWire camera the desktop's camera portal grants (PortalCameraSource). A
// source that cannot be opened is reported in one warning line, with the device's own reason,
// and replaced by the synthetic camera, so the device always has a camera.
#include "platform/camera/CameraSource.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Clock;
class RunLoop;
class VideoDevice;

class CameraSourceFactory {
public:
    using Warn = std::function<void(const std::string& line)>;
    using DeviceMaker = std::function<std::unique_ptr<VideoDevice>()>;
    using DeviceLister = std::function<std::vector<std::string>()>;

    struct Hardware {
        DeviceMaker makeDevice;    // empty: a LibV4L2Device
        DeviceLister listDevices;  // empty: the /dev/videoN nodes, in number order
        bool windowShown = false;
        bool pipeWire = true;      // false: `auto` does not ask PipeWire
        // This file there: the program runs in a sandbox, where cameras come through the
        // desktop's camera portal on `sessionBus` (empty: the environment's).
        std::string sandboxMarker = "/.flatpak-info";
        std::string sessionBus;
    };

    // True for the forms above (with a non-empty folder or device path).
    static bool isValidOption(const std::string& option);
    // Never null. `warn` gets the warning line (empty: it goes to stderr). `clock` and `loop`
    // must outlive the source.
    static std::unique_ptr<CameraSource> create(const std::string& option, const Clock& clock, RunLoop& loop,
                                                Warn warn, const Hardware& hardware);
    static std::unique_ptr<CameraSource> create(const std::string& option, const Clock& clock, RunLoop& loop,
                                                Warn warn = {});
    // The /dev/videoN nodes under `dir`, in number order.
    static std::vector<std::string> videoNodes(const std::string& dir = "/dev");
};

}  // namespace platform
