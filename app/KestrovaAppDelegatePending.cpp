// The delegate's links to the camera page's controls whose classes other files are bringing in
// now (shutter area, options bar and its buttons, thumbnail fan, delete tab, information page).
// Until a class is in the tree its link here does what a page without that control does; each
// block goes when the file that owns it lands (a duplicate definition at link time says which).
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/PropertyValue.h"
#include "platform/foundation/UserDefaults.h"

namespace kestrova {

// --- Shutter area ---
float KestrovaAppDelegate::shutterZoom() const { return 1.0f; }
void KestrovaAppDelegate::setShutterZoomEnabled(bool) {}
void KestrovaAppDelegate::setShutterTouchRingSize(int32_t) {}

// --- Options bar: without it, its page and hidden state stay as stored ---
int32_t KestrovaAppDelegate::optionsBarPageNumber() const {
    return settings_ ? int32_t(settings_->integerForKey("OptionsBarPageNumber")) : 0;
}

bool KestrovaAppDelegate::optionsHidden() const {
    if (!settings_) return true;
    return platform::PropertyValue::boolValueOf(settings_->stringForKey("OptionsBarHidden").value_or(""));
}

void KestrovaAppDelegate::showHideOptionsBar() {}
bool KestrovaAppDelegate::getTipsShowState() { return false; }
void KestrovaAppDelegate::showOptionsLabel(const std::string&) {}
void KestrovaAppDelegate::hideOptionsLabel() {}

// Without option buttons the saved states are still limited to their ranges and applied through
// the same setters, in the catalogue's order.
void KestrovaAppDelegate::createOptionsPages() {
    auto clamp = [](int32_t saved, uint32_t states) { return uint32_t(saved) < states ? saved : 0; };
    setPreviewState(clamp(previewState_, 3));
    setColorStatus(clamp(colorStatus_, 7));
    setBurstStatus(clamp(burstStatus_, 2));
    setTimerStatus(clamp(timerStatus_, 4));
    setLevelStatus(clamp(levelStatus_, 2));
    setZoomStatus(clamp(zoomStatus_, 2));
    setRotateStatus(clamp(rotateStatus_, 2));
    setSizeStatus(clamp(sizeStatus_, 3));
    setTouchRingSize(clamp(settings_ ? int32_t(settings_->integerForKey("TouchRingSize")) : 0, 3));
    setQuietStatus(clamp(soundStatus_, 2));
}

// --- Quick view ---
void KestrovaAppDelegate::createQuickView() { hideDelete(); }
void KestrovaAppDelegate::releaseQuickView() {}
void KestrovaAppDelegate::applyDockSide() {}
std::optional<int32_t> KestrovaAppDelegate::selectedImageIndex() const { return std::nullopt; }
void KestrovaAppDelegate::removeSelectedImage() {}
void KestrovaAppDelegate::animatedPreview(platform::ImageRef, int32_t) {}
void KestrovaAppDelegate::showDelete() {}
void KestrovaAppDelegate::hideDelete() { deleteButtonShowing_ = false; }
void KestrovaAppDelegate::moveDeleteToYCoordinate(float) {}

// --- Information page ---
void KestrovaAppDelegate::updateAboutViewLabels() {}

void KestrovaAppDelegate::setDoubleTap() {
    if (!settings_) return;
    auto domain = settings_->persistentDomainForName("com.apple.springboard").value_or(platform::PropertyDictionary{});
    domain["SBDoubleTapURL"] = platform::PropertyValue(std::string("doubletap://org.kestrova.camera"));
    if (settings_->setPersistentDomain(domain, "com.apple.springboard")) confirmedDTap_ = true;
}

}  // namespace kestrova
