#include "platform/camera/PortalCameraSource.h"

#include "platform/camera/CameraPortal.h"
#include "platform/camera/PipeWireSource.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/RunLoop.h"

namespace platform {

PortalCameraSource::PortalCameraSource(std::string name, const Clock& clock, RunLoop& loop, Warn warn,
                                       std::string busAddress)
    : name_(std::move(name)), loop_(loop), warn_(std::move(warn)), camera_(std::make_shared<SyntheticSource>(clock)),
      alive_(std::make_shared<bool>(true)) {
    std::weak_ptr<bool> alive = alive_;
    portal_ = std::make_unique<CameraPortal>(std::move(busAddress), [this, alive](int fd, const std::string& reason) {
        // The bus thread: PipeWire's first answer is waited for here, never on the main thread.
        std::shared_ptr<PipeWireSource> camera;
        std::string why = reason;
        if (fd >= 0) camera = PipeWireSource::openConnected(fd, name_, loop_, &why, warn_);
        loop_.post([this, alive, camera, why] {
            if (alive.lock()) answered(camera, why);
        });
    });
}

PortalCameraSource::~PortalCameraSource() {
    alive_.reset();
    portal_.reset();  // ends the bus thread: nothing of this source runs there any more
}

void PortalCameraSource::answered(std::shared_ptr<PipeWireSource> camera, const std::string& reason) {
    if (!camera) {
        warn_("warning: camera " + description() + " cannot be opened (" + reason + "); using the synthetic camera");
        return;
    }
    if (camera->cameraAtStart().empty())
        warn_("camera: " + description() + " not found yet; using the synthetic camera until it appears");
    camera_ = std::move(camera);
}

}  // namespace platform
