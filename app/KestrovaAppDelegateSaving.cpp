// The photo pipeline's main-thread side: the worker's start, the camera's picture callback, the
// wait at termination and deleting a recent picture.
#include "app/KestrovaAppDelegate.h"

#include "location/GeoPosition.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/RunLoop.h"
#include "platform/location/LocationManager.h"
#include "platform/ui/Label.h"

namespace kestrova {

void KestrovaAppDelegate::createSaveQueue() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (saveWorker_) return;
    // Taken here on the main thread; the worker then only reads whole fixes from it.
    GeoPosition* geo = positionProvider_ ? nullptr : GeoPosition::sharedInstance();
    SaveWorker::PositionProvider position = positionProvider_;
    if (geo) {
        position = [geo]() -> std::optional<GeoSnapshot> {
            // Asked at the moment of writing: switching location services off ends geotags even
            // though the last fix is kept.
            auto manager = geo->locationManager();
            if (!manager || !manager->locationServicesEnabled()) return std::nullopt;
            return geo->getSnapshot();
        };
    }
    saveWorker_ = std::make_unique<SaveWorker>(platform::FileManager::defaultManager(), platform::RunLoop::main(),
                                               std::move(position));
    saveWorker_->setProgressHandler([this] { fireProgressTimer("new"); });
    saveWorker_->setPictureHandlers([this](int provisional, int number) { pictureRenumbered(provisional, number); },
                                    [this](int number) { pictureLost(number); });
}

void KestrovaAppDelegate::initializePhotoProcessingThread() {
    KESTROVA_ASSERT_MAIN_THREAD();
    createSaveQueue();
    saveWorker_->initializePhotoProcessingThread();
}

void KestrovaAppDelegate::cameraControllerTookPicture(platform::CameraController*, platform::ImageRef picture,
                                                      platform::ImageRef preview, const std::vector<uint8_t>*,
                                                      const platform::ImageProperties*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (burstText_) burstText_->setHidden(true);
    if (!saveWorker_ || !picture || !preview) return;
    CaptureSettings settings;
    settings.colorMode = colorStatus_;
    settings.imageSize = sizeStatus_;
    settings.orientation = orientationStatus_;
    settings.rotateMode = rotateStatus_;
    settings.zoom = zoomValue_;
    saveWorker_->cameraControllerTookPicture(picture, preview, settings,
                                             [this](platform::ImageRef fan, int number) { animatedPreview(fan, number); });
}

void KestrovaAppDelegate::waitTillFinishedSaving() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (saveWorker_) saveWorker_->waitTillFinishedSaving();
}

void KestrovaAppDelegate::deleteLastPhotos() {
    KESTROVA_ASSERT_MAIN_THREAD();
    auto index = selectedImageIndex();
    if (index && saveWorker_) saveWorker_->deletePicture(*index);
    hideDelete();
    removeSelectedImage();
}

float KestrovaAppDelegate::lastQueueSize() const { return saveWorker_ ? saveWorker_->lastQueueSize() : 0.0f; }

}  // namespace kestrova
