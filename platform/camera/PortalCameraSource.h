#pragma once
// The camera of a program in a sandbox: a PipeWire camera reached through the desktop's camera
// portal (CameraPortal), over the connection the portal hands over. Until the portal has
// answered, the synthetic camera shows, without a warning, as before a PipeWire camera appears.
// A portal that refuses, or none at all, leaves the synthetic camera in place with one warning
// line, as a camera that cannot be opened does. Main thread, as every source.
#include "platform/camera/CameraSource.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

class CameraPortal;
class PipeWireSource;
class Clock;
class RunLoop;

class PortalCameraSource final : public CameraSource {
public:
    using Warn = std::function<void(const std::string& line)>;

    // Asks the portal at once. `name` picks the camera as PipeWireSource's does; `busAddress` as
    // CameraPortal's. `warn` must not be empty; `clock` and `loop` must outlive the source.
    PortalCameraSource(std::string name, const Clock& clock, RunLoop& loop, Warn warn, std::string busAddress = {});
    ~PortalCameraSource() override;

    ImageRef previewFrame(DeviceOrientation orientation) override { return camera_->previewFrame(orientation); }
    ImageRef screenFrame(DeviceOrientation orientation, int width, int height) override {
        return camera_->screenFrame(orientation, width, height);
    }
    bool screenFrameChanges(const Image& earlier, const Image& later, std::vector<Rect>* rects) const override {
        return camera_->screenFrameChanges(earlier, later, rects);
    }
    ImageRef pictureFrame(DeviceOrientation orientation) override { return camera_->pictureFrame(orientation); }
    bool hasPicture() const override { return camera_->hasPicture(); }
    std::string description() const override { return name_.empty() ? "pipewire" : "pipewire:" + name_; }

private:
    // Main thread: the portal's answer, with the camera opened over its connection (or null).
    void answered(std::shared_ptr<PipeWireSource> camera, const std::string& reason);

    const std::string name_;
    RunLoop& loop_;
    const Warn warn_;
    std::shared_ptr<CameraSource> camera_;  // the synthetic camera until the portal's is there
    std::shared_ptr<bool> alive_;           // posts from the bus thread that find it gone do nothing
    std::unique_ptr<CameraPortal> portal_;
};

}  // namespace platform
