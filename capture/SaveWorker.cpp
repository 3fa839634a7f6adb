#include "capture/SaveWorker.h"

#include "capture/DeleteCommand.h"
#include "capture/ProcessData.h"
#include "capture/QuitCommand.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/ProgrammingError.h"
#include "platform/foundation/RunLoop.h"

#include <system_error>

namespace kestrova {

SaveWorker::SaveWorker(platform::FileManager& files, platform::RunLoop& loop, PositionProvider position)
    : files_(files),
      loop_(loop),
      position_(std::move(position)),
      idling_(loop, "save worker"),
      roll_(files),
      renderer_(files),
      queue_(&idling_) {}

SaveWorker::~SaveWorker() { waitTillFinishedSaving(); }

void SaveWorker::setPictureHandlers(RenumberHandler renumbered, LostHandler lost) {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    handlers_->renumbered = std::move(renumbered);
    handlers_->lost = std::move(lost);
}

void SaveWorker::initializePhotoProcessingThread() {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    if (started_) return;
    // Busy from now until the scan has finished, so a script cannot step past it.
    idling_.beginWork();
    queue_.startServing();
    try {
        saveThread_ = std::thread([this] { processPhotoLoop(); });
    } catch (const std::system_error&) {
        idling_.endWork();
        return;
    }
    started_ = true;
}

bool SaveWorker::readyForCapture() const {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    return !stopped_ && !roll_.everyFolderFull();
}

void SaveWorker::addToSaveQueue(std::unique_ptr<SaveRecord> record) {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    KESTROVA_VERIFY(record != nullptr, "an empty record for the save queue");
    if (!record) return;
    const bool picture = record->kind() == SaveRecord::Kind::ProcessData;
    const bool queued = queue_.addToSaveQueue(std::move(record));
    // The queue turns away only a picture that got no number (every folder full), which the user
    // is not told; a deletion or the quit record turned away would be lost work or a hang.
    KESTROVA_VERIFY(queued || picture, "the save queue turned away a command record");
    if (queued && progress_) progress_();
}

std::optional<int> SaveWorker::cameraControllerTookPicture(const platform::ImageRef& picture,
                                                           const platform::ImageRef& preview,
                                                           const CaptureSettings& settings,
                                                           const FanHandler& showFan) {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    if (stopped_ || !picture) return std::nullopt;
    const std::optional<int> number = queue_.numberPicture([this] { return claimImageNumber(); });
    if (!number) return std::nullopt;
    if (showFan) {
        if (auto fan = ImageRenderer::transformImage(preview, 270.0f, settings.zoom, settings.colorMode))
            showFan(std::move(fan), *number);
    }
    addToSaveQueue(std::make_unique<ProcessData>(preview, picture, *number, settings));
    return number;
}

bool SaveWorker::deletePicture(int imageNumber) {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    return queue_.removePictureOrQueueDelete(imageNumber, [this](int n) {
        return std::vector<std::string>{roll_.getImagePathForIndex(n), roll_.getThumbPathForIndex(n)};
    });
}

void SaveWorker::waitTillFinishedSaving() {
    KESTROVA_ASSERT_LOOP_THREAD(loop_);
    stopped_ = true;
    // Pictures taken in the first second are written before the end, not dropped.
    if (!started_ && queue_.count() > 0) initializePhotoProcessingThread();
    if (!started_ || !saveThread_.joinable()) return;
    addToSaveQueue(std::make_unique<QuitCommand>());
    queue_.waitUntilFinished();
    saveThread_.join();
}

void SaveWorker::processPhotoLoop() {
    roll_.initializeSavingVariables();
    for (const auto& [provisional, number] : queue_.startNumbering([this] { return claimImageNumber(); })) {
        if (number) postRenumbered(provisional, *number);
        else postLost(provisional);
    }
    idling_.endWork();  // the scan's share; queued records keep it busy on their own
    for (;;) {
        std::unique_ptr<SaveRecord> record = queue_.removeFromSaveQueue();
        const SaveRecord::Kind kind = record->kind();
        switch (kind) {
            case SaveRecord::Kind::ProcessData: processPhoto(static_cast<ProcessData&>(*record)); break;
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

void SaveWorker::processPhoto(ProcessData& data) {
    const platform::DeviceOrientation o =
        data.getAutoRotation() ? data.getOrientation() : platform::DeviceOrientation::Portrait;
    const int n = data.getImageNumber();
    const std::string thumbPath = roll_.getThumbPathForIndex(n);
    const auto thumb = renderer_.encodeThumbnail(data.getPreview(), data.getZoom(), data.getColor(), o);
    std::optional<GeoSnapshot> gps;
    if (position_) gps = position_();
    const auto picture =
        renderer_.encodePicture(data.getPicture(), data.getSize(), data.getZoom(), data.getColor(), o, gps);
    // The frame (7.7 MB at full size) is not needed for the writes, which wait for the disk: a
    // burst that fills the queue holds one frame fewer meanwhile.
    data.releaseImages();
    const bool thumbWritten = renderer_.write(thumb, thumbPath);
    if (renderer_.write(picture, roll_.getImagePathForIndex(n))) return;
    // No picture (disk full, folder read-only or gone): no thumbnail of it either, and it leaves
    // the quick view.
    if (thumbWritten) files_.removeItem(thumbPath);
    postLost(n);
}

void SaveWorker::postRenumbered(int provisional, int number) {
    loop_.post([weak = std::weak_ptr<PictureHandlers>(handlers_), provisional, number] {
        if (auto h = weak.lock(); h && h->renumbered) h->renumbered(provisional, number);
    });
}

void SaveWorker::postLost(int imageNumber) {
    loop_.post([weak = std::weak_ptr<PictureHandlers>(handlers_), imageNumber] {
        if (auto h = weak.lock(); h && h->lost) h->lost(imageNumber);
    });
}

void SaveWorker::deleteImages(const DeleteCommand& command) {
    for (const auto& path : command.pathArray()) deleteFile(path);
}

void SaveWorker::deleteFile(const std::string& path) { files_.removeItem(path); }

}  // namespace kestrova
