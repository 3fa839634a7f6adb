#pragma once
// The application tests' window into the delegate: its outlets, the views it made, its settings
// fields and the capture state, none of which the product reads from outside. A friend of the
// delegate; it holds the delegate by reference and owns nothing.
#include "app/KestrovaAppDelegate.h"

#include <cstdint>

namespace kestrova {

class KestrovaAppDelegateTestApi {
public:
    explicit KestrovaAppDelegateTestApi(KestrovaAppDelegate& delegate) : d_(delegate) {}

    // Where the worker takes a picture's position from; set before launch.
    void setPositionProvider(SaveWorker::PositionProvider provider) { d_.positionProvider_ = std::move(provider); }

    // Views and objects of the camera page.
    platform::View* mainView() const { return d_.mainView_; }
    TransitionView* switcher() const { return d_.switcher_; }
    platform::NavigationBar* navbar() const { return d_.navbar_; }
    platform::CameraView* cameraView() const { return d_.cam_; }
    platform::CameraController* cameraController() const { return d_.cc_; }
    MenuScrollView* buttonBar() const { return d_.buttonBar_; }
    SnapButtonView* snapButton() const { return d_.snapButton_; }
    GlowingCircleView* progressView() const { return d_.progressView_; }
    platform::Label* burstText() const { return d_.burstText_; }
    platform::View* levelerImage() const { return d_.levelerImage_; }
    ThumbnailManager* previewManager() const { return d_.previewManager_; }
    DeleteCancelView* delButton() const { return d_.delButton_; }
    platform::ActionSheet* cancelSheet() const { return d_.cancelSheet_.get(); }
    const SaveWorker* saveWorker() const { return d_.saveWorker_.get(); }

    // Settings fields, as the delegate holds them.
    auto colorStatus() const { return d_.colorStatus_; }
    auto timerStatus() const { return d_.timerStatus_; }
    auto burstStatus() const { return d_.burstStatus_; }
    auto previewState() const { return d_.previewState_; }
    auto dockSide() const { return d_.dockSide_; }
    auto previewShow() const { return d_.previewShow_; }
    auto sizeStatus() const { return d_.sizeStatus_; }
    auto zoomStatus() const { return d_.zoomStatus_; }
    auto soundStatus() const { return d_.soundStatus_; }
    auto rotateStatus() const { return d_.rotateStatus_; }
    auto levelStatus() const { return d_.levelStatus_; }
    auto touchRingRadius() const { return d_.touchRingRadius_; }

    // Capture, quick-view and information-page state.
    bool takingPicture() const { return d_.capture_.takingPicture(); }
    float oldVolume() const { return d_.oldVolume_; }
    int32_t buttonMutex() const { return d_.buttonMutex_; }
    bool glowRunning() const { return d_.glowRunning_; }
    bool deleteButtonShowing() const { return d_.deleteButtonShowing_; }
    bool confirmedTap() const { return d_.confirmedDTap_; }

private:
    KestrovaAppDelegate& d_;
};

}  // namespace kestrova
