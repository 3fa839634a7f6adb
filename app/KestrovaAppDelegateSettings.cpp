// The settings: read once at start-up, changed by the option buttons, written when the
// application resigns active or ends.
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Device.h"

namespace kestrova {

namespace {

int32_t readInteger(const platform::UserDefaults& settings, const char* key) {
    return int32_t(settings.integerForKey(key));
}

}  // namespace

void KestrovaAppDelegate::initializeSettings() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!settings_) settings_ = &platform::UserDefaults::standardUserDefaults();
    colorStatus_ = readInteger(*settings_, "ColorMode");
    timerStatus_ = readInteger(*settings_, "TimerMode");
    levelStatus_ = readInteger(*settings_, "LevelerMode");
    soundStatus_ = readInteger(*settings_, "QuietMode");
    sizeStatus_ = readInteger(*settings_, "ImageSize");
    burstStatus_ = readInteger(*settings_, "BurstMode");
    previewState_ = settings_->objectForKey("PreviewState") ? readInteger(*settings_, "PreviewState") : 2;
    previewShow_ = previewState_ > 0 ? 1 : 0;
    dockSide_ = previewState_ > 0 ? previewState_ - 1 : 1;
    zoomStatus_ = readInteger(*settings_, "ZoomMode");
    rotateStatus_ = readInteger(*settings_, "RotateMode");
    orientationStatus_ = platform::Device::currentDevice().orientation();
    touchRingRadius_ = readInteger(*settings_, "TouchRingSize");
    burstCount_ = 4;
    takingPicture_ = false;
    if (!orientationDevice_) {
        orientationDevice_ = &platform::Device::currentDevice();
        orientationDevice_->beginGeneratingDeviceOrientationNotifications();
    }
}

void KestrovaAppDelegate::saveSettings() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!settings_) return;
    settings_->setInteger(colorStatus_, "ColorMode");
    settings_->setInteger(timerStatus_, "TimerMode");
    settings_->setInteger(levelStatus_, "LevelerMode");
    settings_->setInteger(soundStatus_, "QuietMode");
    settings_->setInteger(sizeStatus_, "ImageSize");
    settings_->setInteger(burstStatus_, "BurstMode");
    settings_->setInteger(previewState_, "PreviewState");
    settings_->setInteger(touchRingRadius_, "TouchRingSize");
    settings_->setInteger(zoomStatus_, "ZoomMode");
    settings_->setInteger(rotateStatus_, "RotateMode");
    settings_->setInteger(optionsBarPageNumber(), "OptionsBarPageNumber");
    settings_->setBool(optionsHidden(), "OptionsBarHidden");
    settings_->synchronize();
}

void KestrovaAppDelegate::setColorStatus(int32_t state) { colorStatus_ = state; }
void KestrovaAppDelegate::setTimerStatus(int32_t state) { timerStatus_ = state; }
void KestrovaAppDelegate::setBurstStatus(int32_t state) { burstStatus_ = state; }
void KestrovaAppDelegate::setSizeStatus(int32_t state) { sizeStatus_ = state; }
void KestrovaAppDelegate::setRotateStatus(int32_t state) { rotateStatus_ = state; }
void KestrovaAppDelegate::setQuietStatus(int32_t state) { soundStatus_ = state; }

void KestrovaAppDelegate::setLevelStatus(int32_t state) {
    levelStatus_ = state;
    setShowLeveler(state != 0);
}

void KestrovaAppDelegate::setZoomStatus(int32_t state) {
    setShutterZoomEnabled(state == 0);
    zoomStatus_ = state;
}

void KestrovaAppDelegate::setTouchRingSize(int32_t state) {
    touchRingRadius_ = state;
    setShutterTouchRingSize(state);
}

void KestrovaAppDelegate::setPreviewState(int32_t state) {
    KESTROVA_ASSERT_MAIN_THREAD();
    previewState_ = state;
    if (state != 0) {
        previewShow_ = 1;
        dockSide_ = state - 1;
    } else {
        previewShow_ = 0;
        dockSide_ = 1;
    }
    applyDockSide();
}

void KestrovaAppDelegate::setUIOrientation(int32_t orientation) { orientationStatus_ = orientation; }

}  // namespace kestrova
