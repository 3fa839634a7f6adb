// Capture control: one picture, a self-timer countdown or a burst of three; the volume key as a
// second shutter; the preview's zoom, the level guide and the glowing circle.
#include "app/KestrovaAppDelegate.h"

#include "platform/camera/CameraController.h"
#include "platform/cameraui/CameraView.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"
#include "platform/media/SystemVolumeController.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewAnimation.h"
#include "ui/controls/GlowingCircleView.h"

#include <string>

namespace kestrova {

namespace {

constexpr platform::Seconds kFollowUpDelay{0.01};

// Ticks of the countdown for a self-timer mode.
uint32_t countdownLength(TimerMode timerStatus) {
    switch (timerStatus) {
        case TimerMode::TwoSeconds: return 2;
        case TimerMode::FiveSeconds: return 5;
        case TimerMode::TenSeconds: return 10;
        default: return 0;
    }
}

}  // namespace

void KestrovaAppDelegate::performCapture() {
    KESTROVA_ASSERT_MAIN_THREAD();
    // Refused silently, whatever the reason.
    if (capture_.refusal(saveWorker_.get())) return;
    capture_.beginSequence(burstStatus_);
    hideDelete();
    if (timerStatus_ != TimerMode::Off) {
        showCancel();
        if (burstText_) burstText_->setTextColor(platform::Color::rgba(1, 1, 0));
        timerCount_ = 0;
        // Changing the option mid-countdown must not move its end.
        timerLength_ = countdownLength(timerStatus_);
        timer_ = platform::RunLoop::main().scheduleRepeating(platform::Seconds(1.0),
                                                             [this](platform::Timer& t) { timerFired(t); });
    } else {
        snap();
    }
}

void KestrovaAppDelegate::snap() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (soundStatus_ == QuietMode::Off && cam_) cam_->playShutterSound();
    zoomValue_ = shutterZoom();
    if (cc_) cc_->capturePhoto();
}

void KestrovaAppDelegate::timerFired(platform::Timer&) {
    KESTROVA_ASSERT_MAIN_THREAD();
    const uint32_t length = timerLength_;
    if (burstText_) {
        burstText_->setText(std::to_string(int32_t(length - timerCount_)));
        burstText_->setHidden(false);
    }
    if (timerCount_ == length) {
        capture_.armShots(burstStatus_);
        if (burstText_) burstText_->setHidden(true);
        timer_.cancel();
        if (cancelSheet_) cancelSheet_->dismissWithClickedButtonIndex(0, true);
        snaps_.add(platform::RunLoop::main().performAfter(kFollowUpDelay, [this] { snap(); }));
    }
    ++timerCount_;
}

void KestrovaAppDelegate::showCancel() {
    if (!cancelSheet_) {
        cancelSheet_ = std::make_unique<platform::ActionSheet>("", this, std::vector<std::string>{"Cancel Timer"});
        cancelSheet_->setFrame({0, 427, 320, 53});
        cancelSheet_->setActionSheetStyle(platform::ActionSheetStyle::BlackTranslucent);
    }
    cancelSheet_->showInView(mainView_, true);
}

void KestrovaAppDelegate::stopTimer() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (burstText_) burstText_->setHidden(true);
    timer_.cancel();
    capture_.endSequence();
}

void KestrovaAppDelegate::cameraControllerReadyStateChanged(platform::CameraController* controller) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!controller || !controller->isReady()) return;
    if (capture_.shotFollowsReady())
        snaps_.add(platform::RunLoop::main().performAfter(kFollowUpDelay, [this] { snap(); }));
}

void KestrovaAppDelegate::hardwareSnap(const platform::Notification& notification) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (buttonMutex_) {
        // The echo of our own restore.
        buttonMutex_ = 0;
        return;
    }
    auto* controller = notification.object
                           ? static_cast<platform::SystemVolumeController*>(const_cast<void*>(notification.object))
                           : avs_;
    if (!controller) return;
    float volume = 0;
    std::string category;
    controller->getActiveCategoryVolume(volume, category);
    if (category == platform::SystemVolumeController::kRingtone) performCapture();
    // A restore to the volume it already has announces nothing, so only a real change may wait
    // for its echo; otherwise the next key press would be taken for the echo and not undone.
    if (volume != oldVolume_) {
        buttonMutex_ = 1;
        controller->setActiveCategoryVolumeTo(oldVolume_);
    }
}

bool KestrovaAppDelegate::snapEnabled() { return !capture_.takingPicture() && !deleteButtonShowing_; }

void KestrovaAppDelegate::updateZoom(float zoom, bool animate) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!cam_) return;
    if (animate) {
        platform::ViewAnimation::beginAnimations();
        platform::ViewAnimation::setAnimationDuration(0.1);
        platform::ViewAnimation::setAnimationDelegate(animations_);
    }
    cam_->setTransform(platform::AffineTransform::makeScale(zoom, zoom));
    if (animate) platform::ViewAnimation::commitAnimations();
}

void KestrovaAppDelegate::setShowLeveler(bool show) {
    if (levelerImage_) levelerImage_->setHidden(!show);
}

void KestrovaAppDelegate::fireProgressTimer(const std::string& animationID) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (glowRunning_ && animationID == "new") return;
    if (!progressView_) return;
    using platform::ViewAnimation;
    auto next = [this](const std::string& id, bool) { fireProgressTimer(id); };
    if (lastQueueSize() > 0) {
        if (glowRunning_) {
            ViewAnimation::beginAnimations("up");
            ViewAnimation::setAnimationDuration(1.0);
            ViewAnimation::setAnimationBeginsFromCurrentState(false);
            ViewAnimation::setAnimationDelegate(animations_);
            ViewAnimation::setAnimationDidStopCallback(next);
            progressView_->setAlpha(progressView_->alpha() == 1.0f ? 0.5f : 1.0f);
            ViewAnimation::commitAnimations();
        } else {
            glowRunning_ = true;
            ViewAnimation::beginAnimations("start");
            ViewAnimation::setAnimationDuration(2.0);
            ViewAnimation::setAnimationDelegate(animations_);
            ViewAnimation::setAnimationDidStopCallback(next);
            progressView_->setAlpha(1.0f);
            ViewAnimation::commitAnimations();
        }
    } else {
        glowRunning_ = false;
        ViewAnimation::beginAnimations();
        ViewAnimation::setAnimationDuration(1.0);
        ViewAnimation::setAnimationBeginsFromCurrentState(true);
        progressView_->setAlpha(0.0f);
        ViewAnimation::commitAnimations();
    }
}

}  // namespace kestrova
