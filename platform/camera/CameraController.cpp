#include "platform/camera/CameraController.h"

#include "platform/camera/SensorFrame.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/foundation/RunLoop.h"
#include "platform/system/Device.h"

namespace platform {
namespace {

std::unique_ptr<CameraController>& sharedSlot() {
    static std::unique_ptr<CameraController> shared;
    return shared;
}

}  // namespace

CameraController* CameraController::sharedInstance() {
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_unique<CameraController>();
    return slot.get();
}

void CameraController::setSharedInstance(std::unique_ptr<CameraController> controller) {
    sharedSlot() = std::move(controller);
}

CameraController::CameraController(std::unique_ptr<CameraSource> source, RunLoop* loop) : loop_(loop) {
    setSource(std::move(source));
}

CameraController::~CameraController() = default;

RunLoop& CameraController::runLoop() const { return loop_ ? *loop_ : RunLoop::main(); }

void CameraController::setSource(std::unique_ptr<CameraSource> source) {
    source_ = source ? std::move(source) : std::make_unique<SyntheticSource>(runLoop().clock());
}

void CameraController::startPreview() {
    if (previewing_) return;
    previewing_ = true;
    warmUp_ = runLoop().performAfter(kWarmUpDelay, [this] { becomeReadyWhenThereIsAPicture(); }, RunLoopMode::Common);
}

void CameraController::becomeReadyWhenThereIsAPicture() {
    if (source_->hasPicture()) {
        becomeReady();
        return;
    }
    warmUp_ = runLoop().performAfter(kReadyPollInterval, [this] { becomeReadyWhenThereIsAPicture(); },
                                     RunLoopMode::Common);
}

void CameraController::becomeReady() {
    ready_ = true;
    if (delegate_) delegate_->cameraControllerReadyStateChanged(this);
}

void CameraController::capturePhoto() {
    if (!ready_) return;
    ready_ = false;
    delivery_ = runLoop().performAfter(kCaptureDelay, [this] { deliverPicture(); }, RunLoopMode::Common);
}

void CameraController::deliverPendingPicture() {
    if (!delivery_.isActive()) return;
    delivery_.cancel();
    deliverPicture();
}

void CameraController::deliverPicture() {
    const DeviceOrientation o = deviceOrientation();
    // The preview first: a photo folder moves on to its next photo once the picture is taken.
    ImageRef preview = source_->previewFrame(o);
    ImageRef picture = source_->pictureFrame(o);
    if (!picture) {
        becomeReady();
        return;
    }
    if (!preview) {
        const int pw = CameraSource::kPreviewWidth, ph = CameraSource::kPreviewHeight;
        preview = SensorFrame::scaled(
            picture->crop(SensorFrame::centredCrop(picture->width(), picture->height(), double(pw) / ph)), pw, ph);
    }
    if (delegate_) delegate_->cameraControllerTookPicture(this, picture, preview, nullptr, nullptr);
    becomeReady();
}

ImageRef CameraController::previewFrame() {
    if (!previewing_) return nullptr;
    return source_->previewFrame(deviceOrientation());
}

ImageRef CameraController::screenFrame(int width, int height) {
    if (!previewing_ || width <= 0 || height <= 0) return nullptr;
    return source_->screenFrame(deviceOrientation(), width, height);
}

DeviceOrientation CameraController::deviceOrientation() const { return Device::currentDevice().orientation(); }

}  // namespace platform
