#include "capture/SaveWorker.h"

#include "capture/DeleteCommand.h"
#include "capture/ProcessData.h"
#include "capture/QuitCommand.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/RunLoop.h"

#include <system_error>

namespace kestrova {

SaveWorker::SaveWorker(platform::FileManager& files, platform::RunLoop& loop, PositionProvider position)
    : files_(files),
      position_(std::move(position)),
      idling_(loop, "save worker"),
      roll_(files),
      renderer_(files),
      queue_(&idling_) {}

SaveWorker::~SaveWorker() { waitTillFinishedSaving(); }

void SaveWorker::initializePhotoProcessingThread() {
    if (started_) return;
    // Busy from now until the scan has finished, so a script cannot step past it.
    idling_.beginWork();
    try {
        saveThread_ = std::thread([this] { processPhotoLoop(); });
    } catch (const std::system_error&) {
        idling_.endWork();
        return;
    }
    started_ = true;
}

bool SaveWorker::readyForCapture() const {
    return started_ && saveThread_.joinable() && roll_.readyForPictures() && queue_.count() < SaveQueue::kMaxQueued;
}

void SaveWorker::addToSaveQueue(std::unique_ptr<SaveRecord> record) {
    queue_.addToSaveQueue(std::move(record));
    if (progress_) progress_();
}

std::optional<int> SaveWorker::cameraControllerTookPicture(const platform::ImageRef& picture,
                                                           const platform::ImageRef& preview,
                                                           const CaptureSettings& settings,
                                                           const FanHandler& showFan) {
    if (!started_ || !saveThread_.joinable() || !picture) return std::nullopt;
    const std::optional<int> number = roll_.claimImageNumber();
    if (!number) return std::nullopt;
    if (showFan) {
        if (auto fan = ImageRenderer::transformImage(preview, 270.0f, settings.zoom, settings.colorMode))
            showFan(std::move(fan), *number);
    }
    addToSaveQueue(std::make_unique<ProcessData>(preview, picture, *number, settings.colorMode,
                                                 settings.imageSize + 1, settings.orientation,
                                                 settings.rotateMode == 0 ? 1 : 0, settings.zoom));
    return number;
}

bool SaveWorker::deletePicture(int imageNumber) {
    return queue_.removePictureOrQueueDelete(
        imageNumber, {roll_.getImagePathForIndex(imageNumber), roll_.getThumbPathForIndex(imageNumber)});
}

void SaveWorker::waitTillFinishedSaving() {
    if (!started_ || !saveThread_.joinable()) return;
    addToSaveQueue(std::make_unique<QuitCommand>());
    queue_.waitUntilFinished();
    saveThread_.join();
}

void SaveWorker::processPhotoLoop() {
    roll_.initializeSavingVariables();
    idling_.endWork();  // the scan's share; queued records keep it busy on their own
    for (;;) {
        std::unique_ptr<SaveRecord> record = queue_.removeFromSaveQueue();
        const SaveRecord::Kind kind = record->kind();
        switch (kind) {
            case SaveRecord::Kind::ProcessData: processPhoto(static_cast<const ProcessData&>(*record)); break;
            case SaveRecord::Kind::DeleteCommand: deleteImages(static_cast<const DeleteCommand&>(*record)); break;
            case SaveRecord::Kind::QuitCommand: break;
        }
        // The record and every buffer of its picture go before the next record is taken.
        record.reset();
        if (kind == SaveRecord::Kind::QuitCommand) {
            queue_.quitTaken();
            queue_.recordFinished();
            return;
        }
        queue_.recordFinished();
    }
}

void SaveWorker::processPhoto(const ProcessData& data) {
    const int o = data.getAutoRotation() == 0 ? 1 : data.getOrientation();
    const int n = data.getImageNumber();
    renderer_.makeThumbnail(data.getPreview(), roll_.getThumbPathForIndex(n), data.getZoom(), data.getColor(), o);
    std::optional<GpsSnapshot> gps;
    if (position_) gps = position_();
    renderer_.makeImage(data.getPicture(), roll_.getImagePathForIndex(n), data.getSize(), data.getZoom(),
                        data.getColor(), o, gps);
}

void SaveWorker::deleteImages(const DeleteCommand& command) {
    for (const auto& path : command.pathArray()) deleteFile(path);
}

void SaveWorker::deleteFile(const std::string& path) { files_.removeItem(path); }

}  // namespace kestrova
