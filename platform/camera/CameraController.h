#pragma once
// The camera controller: one per process, as the application expects (sharedInstance). It owns
// the camera source, runs the live preview and takes pictures. Main thread only; every callback
// arrives through the run loop, on its clock, so headless runs are exact.
//
// Readiness: the camera becomes ready kWarmUpDelay after startPreview, or later, at the first
// check (every kReadyPollInterval) that finds the source has a picture to give (a webcam after
// its first frame has settled), and reports it. A picture
// requested while it is ready is delivered kCaptureDelay later — one picture callback, then a
// ready-state change with isReady() true. A capture requested while it is not ready (before the
// preview has warmed up, or with a picture still in flight) is refused silently: nothing is
// reported for it. The ready report that ends the pending warm-up or picture still comes. A
// picture the source cannot give at delivery (a webcam gone meanwhile) is skipped, never
// replaced by an empty one; the ready report still comes.
#include "platform/camera/CameraControllerDelegate.h"
#include "platform/camera/CameraSource.h"
#include "platform/foundation/TimerHandle.h"

#include <memory>

namespace platform {

class RunLoop;

class CameraController {
public:
    static constexpr Seconds kWarmUpDelay{0.1};
    static constexpr Seconds kCaptureDelay{0.15};
    static constexpr Seconds kReadyPollInterval{0.1};

    // The process's controller, made on first use (synthetic camera, main run loop).
    static CameraController* sharedInstance();
    // Installs the process's controller (the host, with the camera it chose); null drops it, and
    // the next sharedInstance() makes a fresh one (tests).
    static void setSharedInstance(std::unique_ptr<CameraController> controller);

    // `source` null: the synthetic camera on the run loop's clock. `loop` null: the main run loop.
    explicit CameraController(std::unique_ptr<CameraSource> source = nullptr, RunLoop* loop = nullptr);
    // Cancels a pending warm-up or picture: nothing is reported after this.
    ~CameraController();
    CameraController(const CameraController&) = delete;
    CameraController& operator=(const CameraController&) = delete;

    void setDelegate(CameraControllerDelegate* delegate) { delegate_ = delegate; }  // may be null
    CameraControllerDelegate* delegate() const { return delegate_; }

    // Starts the live picture. Does nothing when it already runs.
    void startPreview();
    bool isPreviewing() const { return previewing_; }
    // Takes a picture (see above). Silent: the shutter sound is the preview view's.
    void capturePhoto();
    bool isReady() const { return ready_; }
    // The application is ending: a picture still in flight is delivered now, with its ready
    // report, instead of at its time (a shutter that sounded has its picture). Does nothing when
    // none is.
    void deliverPendingPicture();

    // How the device is held now (Device::currentDevice()); the sensor frames follow it.
    DeviceOrientation deviceOrientation() const;

    // Replaces the camera; a null source means the synthetic one.
    void setSource(std::unique_ptr<CameraSource> source);
    CameraSource& source() { return *source_; }

    // The live frame now, CameraSource::kPreviewWidth x kPreviewHeight, landscape as the sensor
    // sees it. Null before startPreview or while the source has nothing to show.
    ImageRef previewFrame();
    // What the same frame shows, turned as the portrait screen shows it, width x height pixels
    // (see CameraSource::screenFrame). Null as previewFrame, and for an empty size.
    ImageRef screenFrame(int width, int height);
    // Where two screen frames of the current source may differ (see CameraSource).
    bool screenFrameChanges(const Image& earlier, const Image& later, std::vector<Rect>* rects) const {
        return source_ && source_->screenFrameChanges(earlier, later, rects);
    }

    RunLoop& runLoop() const;

private:
    void becomeReadyWhenThereIsAPicture();
    void becomeReady();
    void deliverPicture();

    std::unique_ptr<CameraSource> source_;
    RunLoop* loop_;
    CameraControllerDelegate* delegate_ = nullptr;  // may be null
    bool previewing_ = false;
    bool ready_ = false;
    TimerHandle warmUp_;    // the next readiness check
    TimerHandle delivery_;  // the picture asked for
};

}  // namespace platform
