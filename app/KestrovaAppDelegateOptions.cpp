// The option catalogue: ten option buttons on three pages of the options bar, each driving one
// setting; and the relays between the buttons and the bar.
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/PropertyValue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ImageCache.h"
#include "platform/ui/ImageView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/OptionsPageView.h"
#include "ui/controls/ScrollerButton.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/InterfaceSupport.h"

#include <utility>

namespace kestrova {

namespace {

// One state of an option: its picture and the key of its tip.
using StateList = std::vector<std::pair<const char*, const char*>>;

}  // namespace

std::unique_ptr<platform::ImageView> KestrovaAppDelegate::createImage(const std::string& name) {
    return std::make_unique<platform::ImageView>(platform::ImageCache::imageNamed(name));
}

std::unique_ptr<ScrollerButton> KestrovaAppDelegate::createButtonWithImages(
    std::vector<std::unique_ptr<platform::ImageView>> images, std::vector<std::string> tooltips,
    const std::string& title, void (KestrovaAppDelegate::*selector)(ScrollerButton*), int32_t savedState) {
    return std::make_unique<ScrollerButton>(
        ScrollerButton::kFrame, std::move(images), std::move(tooltips), title, this,
        [this, selector](ScrollerButton* sender) { (this->*selector)(sender); }, savedState);
}

void KestrovaAppDelegate::createOptionsPages() {
    KESTROVA_ASSERT_MAIN_THREAD();
    auto make = [this](const StateList& states, const char* titleKey,
                       void (KestrovaAppDelegate::*selector)(ScrollerButton*), int32_t saved) {
        std::vector<std::unique_ptr<platform::ImageView>> images;
        std::vector<std::string> tips;
        for (const auto& [image, tip] : states) {
            images.push_back(createImage(image));
            tips.push_back(localized(tip));
        }
        return createButtonWithImages(std::move(images), std::move(tips), localized(titleKey), selector, saved);
    };
    using D = KestrovaAppDelegate;
    void (D::*setPreview)(ScrollerButton*) = &D::setPreviewState;
    void (D::*setColor)(ScrollerButton*) = &D::setColorStatus;
    void (D::*setBurst)(ScrollerButton*) = &D::setBurstStatus;
    void (D::*setTimer)(ScrollerButton*) = &D::setTimerStatus;
    void (D::*setLevel)(ScrollerButton*) = &D::setLevelStatus;
    void (D::*setZoom)(ScrollerButton*) = &D::setZoomStatus;
    void (D::*setRotate)(ScrollerButton*) = &D::setRotateStatus;
    void (D::*setSize)(ScrollerButton*) = &D::setSizeStatus;
    void (D::*setRing)(ScrollerButton*) = &D::setTouchRingSize;
    void (D::*setQuiet)(ScrollerButton*) = &D::setQuietStatus;

    auto quickView = make({{"sb_prev-off.png", "PREVIEWLOCOFF"}, {"sb_prev-left.png", "PREVIEWLOCLEFT"},
                           {"sb_prev-right.png", "PREVIEWLOCRIGHT"}},
                          "PREVIEWLOCTIPTITLE", setPreview, stateOfMode(previewState_));
    quickViewButton_ = quickView.get();

    std::vector<std::unique_ptr<ScrollerButton>> first;
    first.push_back(make({{"sb_color-full.png", "FULLCOLORTIP"}, {"sb_color-grey.png", "GRAYSCALETIP"},
                          {"sb_color-sepia.png", "SEPIATIP"}, {"sb_color-invert.png", "NEGATIVETIP"},
                          {"sb_color-red.png", "REDTIP"}, {"sb_color-green.png", "GREENTIP"},
                          {"sb_color-blue.png", "BLUETIP"}},
                         "COLORMODETIPTITLE", setColor, stateOfMode(colorStatus_)));
    first.push_back(make({{"sb_burst-off.png", "BURSTCAPOFF"}, {"sb_burst-on.png", "BURSTCAPON"}},
                         "BURSTCAPTIPTITLE", setBurst, stateOfMode(burstStatus_)));
    first.push_back(make({{"sb_timer-off.png", "DELAYTIMEROFF"}, {"sb_timer-2.png", "DELAYTIMER2SEC"},
                          {"sb_timer-5.png", "DELAYTIMER5SEC"}, {"sb_timer-10.png", "DELAYTIMER10SEC"}},
                         "DELAYTIMERTIPTITLE", setTimer, stateOfMode(timerStatus_)));
    first.push_back(make({{"sb_level-off.png", "LEVELAIDOFF"}, {"sb_level-on.png", "LEVELAIDON"}},
                         "LEVELAIDTIPTITLE", setLevel, stateOfMode(levelStatus_)));
    const platform::Rect pageFrame = buttonBar_ ? buttonBar_->optionsRect() : platform::Rect{0, 0, 280, 48};
    auto page0 = std::make_unique<OptionsPageView>(pageFrame, std::move(first));

    std::vector<std::unique_ptr<ScrollerButton>> second;
    second.push_back(make({{"sb_zoom-on.png", "IMAGEZOOMON"}, {"sb_zoom-off.png", "IMAGEZOOMOFF"}},
                          "IMAGEZOOMTIPTITLE", setZoom, stateOfMode(zoomStatus_)));
    second.push_back(make({{"sb_rotate-on.png", "AUTOROTATIONON"}, {"sb_rotate-off.png", "AUTOROTATIONOFF"}},
                          "AUTOROTATIONTIPTITLE", setRotate, stateOfMode(rotateStatus_)));
    second.push_back(make({{"sb_size-large.png", "IMAGESIZELARGE"}, {"sb_size-med.png", "IMAGESIZEMEDIUM"},
                           {"sb_size-small.png", "IMAGESIZESMALL"}},
                          "IMAGESIZETIPTITLE", setSize, stateOfMode(sizeStatus_)));
    auto page1 = std::make_unique<OptionsPageView>(pageFrame, std::move(second));

    // The touch ring takes the stored value itself, not the field.
    const int32_t storedRing = settings_ ? int32_t(settings_->integerForKey("TouchRingSize")) : 0;
    auto ring = make({{"sb_touch-sm.png", "TOUCHSENSITIVITYAREASMALL"}, {"sb_touch-med.png", "TOUCHSENSITIVITYAREAMEDIUM"},
                      {"sb_touch-lg.png", "TOUCHSENSITIVITYAREALARGE"}},
                     "TOUCHSENSITIVITYAREATIPTITLE", setRing, storedRing);
    auto quiet = make({{"sb_quiet-off.png", "QUIETMODEOFF"}, {"sb_quiet-on.png", "QUIETMODEON"}},
                      "QUIETMODETIPTITLE", setQuiet, stateOfMode(soundStatus_));
    std::vector<std::unique_ptr<ScrollerButton>> third;
    third.push_back(std::move(quickView));
    third.push_back(std::move(ring));
    third.push_back(std::move(quiet));
    auto page2 = std::make_unique<OptionsPageView>(pageFrame, std::move(third));

    if (!buttonBar_) return;  // without a bar the buttons still applied their states
    buttonBar_->addPage(std::move(page0));
    buttonBar_->addPage(std::move(page1));
    buttonBar_->addPage(std::move(page2));
    const auto page = settings_ ? settings_->stringForKey("OptionsBarPageNumber") : std::nullopt;
    buttonBar_->goToPage(int32_t(platform::PropertyValue::integerValueOf(page.value_or(""))));
}

int32_t KestrovaAppDelegate::stateOf(const ScrollerButton* button) { return button ? button->getCurrentState() : 0; }

template <typename Mode>
Mode KestrovaAppDelegate::stateOf(const ScrollerButton* button) {
    return modeFromState<Mode>(stateOf(button));
}

void KestrovaAppDelegate::setColorStatus(ScrollerButton* button) { setColorStatus(stateOf<ColorMode>(button)); }
void KestrovaAppDelegate::setTimerStatus(ScrollerButton* button) { setTimerStatus(stateOf<TimerMode>(button)); }
void KestrovaAppDelegate::setBurstStatus(ScrollerButton* button) { setBurstStatus(stateOf<BurstMode>(button)); }
void KestrovaAppDelegate::setSizeStatus(ScrollerButton* button) { setSizeStatus(stateOf<ImageSize>(button)); }
void KestrovaAppDelegate::setRotateStatus(ScrollerButton* button) { setRotateStatus(stateOf<RotateMode>(button)); }
void KestrovaAppDelegate::setQuietStatus(ScrollerButton* button) { setQuietStatus(stateOf<QuietMode>(button)); }
void KestrovaAppDelegate::setLevelStatus(ScrollerButton* button) { setLevelStatus(stateOf<LevelerMode>(button)); }
void KestrovaAppDelegate::setZoomStatus(ScrollerButton* button) { setZoomStatus(stateOf<ZoomMode>(button)); }
void KestrovaAppDelegate::setTouchRingSize(ScrollerButton* button) {
    setTouchRingSize(stateOf<TouchRingSize>(button));
}
void KestrovaAppDelegate::setPreviewState(ScrollerButton* button) {
    setPreviewState(stateOf<PreviewState>(button));
}

bool KestrovaAppDelegate::getTipsShowState() { return buttonBar_ && buttonBar_->getTipsShowState(); }

void KestrovaAppDelegate::showOptionsLabel(const std::string& html) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (buttonBar_) buttonBar_->showOptionsLabel(html);
}

void KestrovaAppDelegate::hideOptionsLabel() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (buttonBar_) buttonBar_->hideOptionsLabel();
}

bool KestrovaAppDelegate::optionsHidden() const {
    if (buttonBar_) return buttonBar_->hidden();
    return settings_ && platform::PropertyValue::boolValueOf(settings_->stringForKey("OptionsBarHidden").value_or(""));
}

int32_t KestrovaAppDelegate::optionsBarPageNumber() const {
    if (buttonBar_) return buttonBar_->currentPageNumber();
    return settings_ ? int32_t(settings_->integerForKey("OptionsBarPageNumber")) : 0;
}

void KestrovaAppDelegate::showHideOptionsBar() {
    if (buttonBar_) buttonBar_->showHideAction(downArrow_);
}

// --- The shutter area ---
float KestrovaAppDelegate::shutterZoom() const { return snapButton_ ? snapButton_->zoom() : 1.0f; }

void KestrovaAppDelegate::setShutterZoomEnabled(bool enabled) {
    if (snapButton_) snapButton_->setZoomEnabled(enabled);
}

void KestrovaAppDelegate::setShutterTouchRingSize(TouchRingSize size) {
    if (snapButton_) snapButton_->setTouchRingSize(size);
}

}  // namespace kestrova
