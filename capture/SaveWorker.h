#pragma once
// The save worker: one thread that scans the camera roll once, then takes the save queue's
// records in order and writes each picture's thumbnail and picture file, carries out deletions,
// and ends at a quit record. Also the main thread's side: the camera's picture callback,
// deletion of a recent picture and the wait at termination.
//
// The queue exists from construction, so pictures can be taken before the thread starts: they
// wait in the queue with provisional numbers and get real ones, in the order taken, when the
// scan has found the first free number. The main thread hears of each renumbering and of every
// picture that could not be written (posted to its run loop).
#include "capture/CameraRoll.h"
#include "capture/CaptureSettings.h"
#include "location/GeoSnapshot.h"
#include "capture/ImageRenderer.h"
#include "capture/SaveQueue.h"
#include "platform/foundation/IdlingResource.h"
#include "platform/graphics/Image.h"

#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace platform {
class FileManager;
class RunLoop;
}  // namespace platform

namespace kestrova {

class DeleteCommand;
class ProcessData;

class SaveWorker {
public:
    // Worker thread, once per picture: one consistent copy of the current fix, or nothing.
    using PositionProvider = std::function<std::optional<GeoSnapshot>()>;
    // Main thread: the fan image of a new picture and its number.
    using FanHandler = std::function<void(platform::ImageRef fanImage, int imageNumber)>;
    // Main thread: picture `provisional` now has number `number`.
    using RenumberHandler = std::function<void(int provisional, int number)>;
    // Main thread: picture `imageNumber` has no file and gets none (it could not be written, or
    // no number was free for it).
    using LostHandler = std::function<void(int imageNumber)>;

    // `files` and `loop` are borrowed for the worker's life; the worker is an idling resource of
    // `loop` while it scans or holds records. `position` may be empty (no GPS).
    SaveWorker(platform::FileManager& files, platform::RunLoop& loop, PositionProvider position);
    // Drains like waitTillFinishedSaving.
    ~SaveWorker();
    SaveWorker(const SaveWorker&) = delete;
    SaveWorker& operator=(const SaveWorker&) = delete;

    // Main thread. Starts the worker; it scans the camera roll and numbers what waits before
    // taking any record. Does nothing when it was started before.
    void initializePhotoProcessingThread();

    // Main thread. True when pictures are taken at all: the scan has not found every folder full
    // and the wait at termination has not begun. How many may wait is the capture policy's rule.
    bool readyForCapture() const;

    // Main thread, the camera's picture callback: makes the fan image and hands it with the
    // picture's number (provisional before the scan) to `showFan` (may be empty), then queues the
    // picture's record, waiting while 5 records are queued once the worker runs. Returns the
    // picture number, or nothing (and nothing queued) when every folder is full or after the
    // wait at termination.
    std::optional<int> cameraControllerTookPicture(const platform::ImageRef& picture,
                                                   const platform::ImageRef& preview,
                                                   const CaptureSettings& settings, const FanHandler& showFan);

    // Main thread. Any record; waits for room like the picture callback. Pulses the progress
    // handler.
    void addToSaveQueue(std::unique_ptr<SaveRecord> record);

    // Main thread. Deletes picture `imageNumber`: its record if still queued (true: nothing is
    // written), else a DeleteCommand of its picture and thumbnail, carried out after everything
    // already queued (false).
    bool deletePicture(int imageNumber);

    // Main thread. Queues a quit record and waits until everything queued before it has been
    // carried out and the worker has ended. A worker not started yet is started first when
    // records wait; returns at once when nothing waits for a worker that never started, or when
    // it has already ended.
    void waitTillFinishedSaving();

    // Main thread, after each record queued (the progress indicator's "new").
    void setProgressHandler(std::function<void()> handler) { progress_ = std::move(handler); }
    // Main thread. Either may be empty.
    void setPictureHandlers(RenumberHandler renumbered, LostHandler lost);

    // Main thread: the worker thread has been started.
    bool started() const { return started_; }
    float lastQueueSize() const { return queue_.lastQueueSize(); }
    const SaveQueue& saveQueue() const { return queue_; }
    const CameraRoll& cameraRoll() const { return roll_; }
    // Main thread: the number the next picture receives.
    int nextImageNumber() const { return roll_.nextImageNumber(); }

private:
    void processPhotoLoop();
    void processPhoto(ProcessData& data);
    void deleteImages(const DeleteCommand& command);
    void deleteFile(const std::string& path);
    // Worker thread: tells the main thread, if this worker is still there when it runs.
    void postRenumbered(int provisional, int number);
    void postLost(int imageNumber);
    std::optional<int> claimImageNumber() { return roll_.claimImageNumber(); }

    struct PictureHandlers {
        RenumberHandler renumbered;
        LostHandler lost;
    };

    platform::FileManager& files_;
    platform::RunLoop& loop_;
    // Posts hold it weakly, so a handler never runs after this worker is gone. Main thread only.
    std::shared_ptr<PictureHandlers> handlers_ = std::make_shared<PictureHandlers>();
    PositionProvider position_;
    std::function<void()> progress_;
    platform::IdlingResource idling_;
    CameraRoll roll_;
    ImageRenderer renderer_;
    SaveQueue queue_;
    std::thread saveThread_;
    bool started_ = false;  // main thread only
    bool stopped_ = false;  // main thread only: after the wait at termination nothing is taken
};

}  // namespace kestrova
