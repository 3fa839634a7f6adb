// The settings: read once at start-up, changed by the option buttons, written when the
// application resigns active or ends.
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Device.h"

namespace kestrova {

namespace {

// Every stored mode comes in here, as it is stored (see SettingModes.h); an absent key reads as 0.
template <typename Mode>
Mode readMode(const platform::UserDefaults& settings, const char* key) {
    return modeFromState<Mode>(int32_t(settings.integerForKey(key)));
}

template <typename Mode>
void writeMode(platform::UserDefaults& settings, Mode mode, const char* key) {
    settings.setInteger(stateOfMode(mode), key);
}

}  // namespace

void KestrovaAppDelegate::initializeSettings() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!settings_) settings_ = &platform::UserDefaults::standardUserDefaults();
    colorStatus_ = readMode<ColorMode>(*settings_, "ColorMode");
    timerStatus_ = readMode<TimerMode>(*settings_, "TimerMode");
    levelStatus_ = readMode<LevelerMode>(*settings_, "LevelerMode");
    soundStatus_ = readMode<QuietMode>(*settings_, "QuietMode");
    sizeStatus_ = readMode<ImageSize>(*settings_, "ImageSize");
    burstStatus_ = readMode<BurstMode>(*settings_, "BurstMode");
    previewState_ = settings_->objectForKey("PreviewState") ? readMode<PreviewState>(*settings_, "PreviewState")
                                                             : PreviewState::DockedRight;
    const int32_t preview = stateOfMode(previewState_);
    previewShow_ = preview > 0 ? 1 : 0;
    dockSide_ = preview > 0 ? modeFromState<DockSide>(preview - 1) : DockSide::Right;
    zoomStatus_ = readMode<ZoomMode>(*settings_, "ZoomMode");
    rotateStatus_ = readMode<RotateMode>(*settings_, "RotateMode");
    orientationStatus_ = platform::Device::currentDevice().orientation();
    touchRingRadius_ = readMode<TouchRingSize>(*settings_, "TouchRingSize");
    capture_.reset();
    if (!orientationDevice_) {
        orientationDevice_ = &platform::Device::currentDevice();
        orientationDevice_->beginGeneratingDeviceOrientationNotifications();
    }
}

void KestrovaAppDelegate::saveSettings() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!settings_) return;
    writeMode(*settings_, colorStatus_, "ColorMode");
    writeMode(*settings_, timerStatus_, "TimerMode");
    writeMode(*settings_, levelStatus_, "LevelerMode");
    writeMode(*settings_, soundStatus_, "QuietMode");
    writeMode(*settings_, sizeStatus_, "ImageSize");
    writeMode(*settings_, burstStatus_, "BurstMode");
    writeMode(*settings_, previewState_, "PreviewState");
    writeMode(*settings_, touchRingRadius_, "TouchRingSize");
    writeMode(*settings_, zoomStatus_, "ZoomMode");
    writeMode(*settings_, rotateStatus_, "RotateMode");
    settings_->setInteger(optionsBarPageNumber(), "OptionsBarPageNumber");
    settings_->setBool(optionsHidden(), "OptionsBarHidden");
    settings_->synchronize();
}

void KestrovaAppDelegate::setColorStatus(ColorMode state) { colorStatus_ = state; }
void KestrovaAppDelegate::setTimerStatus(TimerMode state) { timerStatus_ = state; }
void KestrovaAppDelegate::setBurstStatus(BurstMode state) { burstStatus_ = state; }
void KestrovaAppDelegate::setSizeStatus(ImageSize state) { sizeStatus_ = state; }
void KestrovaAppDelegate::setRotateStatus(RotateMode state) { rotateStatus_ = state; }
void KestrovaAppDelegate::setQuietStatus(QuietMode state) { soundStatus_ = state; }

void KestrovaAppDelegate::setLevelStatus(LevelerMode state) {
    levelStatus_ = state;
    setShowLeveler(state != LevelerMode::Hidden);
}

void KestrovaAppDelegate::setZoomStatus(ZoomMode state) {
    setShutterZoomEnabled(state == ZoomMode::PinchZoom);
    zoomStatus_ = state;
}

void KestrovaAppDelegate::setTouchRingSize(TouchRingSize state) {
    touchRingRadius_ = state;
    setShutterTouchRingSize(state);
}

void KestrovaAppDelegate::setPreviewState(PreviewState state) {
    KESTROVA_ASSERT_MAIN_THREAD();
    previewState_ = state;
    if (state != PreviewState::Off) {
        previewShow_ = 1;
        // Docked left or right: the state less one is the side.
        dockSide_ = modeFromState<DockSide>(stateOfMode(state) - 1);
    } else {
        previewShow_ = 0;
        dockSide_ = DockSide::Right;
    }
    applyDockSide();
}

void KestrovaAppDelegate::setUIOrientation(platform::DeviceOrientation orientation) {
    orientationStatus_ = orientation;
}

}  // namespace kestrova
