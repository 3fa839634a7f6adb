// The information page's actions, the about sheet, and the home-button double-tap launch.
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/PropertyValue.h"
#include "platform/foundation/StringFormat.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ActionSheet.h"
#include "ui/info/AboutView.h"
#include "ui/InterfaceSupport.h"

namespace kestrova {
namespace {

// The home screen's preference domain and the key it opens on a double press of the home button.
constexpr const char* kSpringBoardDomain = "com.apple.springboard";
constexpr const char* kDoubleTapKey = "SBDoubleTapURL";
// Built into the application, like its bundle identifier; nothing is appended to it.
constexpr const char* kDoubleTapURL = "doubletap://org.kestrova.camera";

AboutView* page(platform::View* view) { return dynamic_cast<AboutView*>(view); }

}  // namespace

void KestrovaAppDelegate::showHelp(platform::Object*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (auto* p = page(aboutView_)) p->loadHelpPage();
}

void KestrovaAppDelegate::closeHelpView(platform::Object*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (auto* p = page(aboutView_)) p->closeHelpPage();
}

void KestrovaAppDelegate::showAbout(platform::Object*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    auto sheet = std::make_unique<platform::ActionSheet>(localized("ABOUT_TITLE"), this,
                                                         std::vector<std::string>{"OK"});
    sheet->setDefaultButtonIndex(1);
    sheet->setContext(this);
    sheet->setBodyText(platform::StringFormat::format(localized("ABOUT_BODY"),
                                                      {platform::Bundle::mainBundle().version()}));
    // The previous sheet may still be leaving the screen; it is dropped with the new one shown.
    aboutPopup_ = std::move(sheet);
    aboutPopup_->show(true);
}

void KestrovaAppDelegate::updateAboutViewLabels() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (auto* p = page(aboutView_)) p->updateGPSLabels();
}

void KestrovaAppDelegate::confirmDoubleTap(platform::Object*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    auto sheet = std::make_unique<platform::ActionSheet>(
        localized("CONFIRM_DOUBLE_TAP"), this, std::vector<std::string>{localized("CONFIRM"), localized("CANCEL")});
    sheet->setDefaultButtonIndex(1);
    sheet->setContext(this);
    // Formatted with no arguments, so a doubled percent sign shows as one.
    sheet->setBodyText(platform::StringFormat::format(localized("CONFIRM_DOUBLE_TAP_BODY"), {}));
    confirmTap_ = std::move(sheet);
    confirmTap_->show(true);
}

void KestrovaAppDelegate::setDoubleTap() {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!settings_) settings_ = &platform::UserDefaults::standardUserDefaults();
    // A missing domain starts empty. One that exists but cannot be read comes back empty too, but
    // setPersistentDomain refuses to replace its file, so the home screen's other keys survive.
    platform::PropertyDictionary domain = settings_->persistentDomainForName(kSpringBoardDomain).value_or(
        platform::PropertyDictionary{});
    domain[kDoubleTapKey] = platform::PropertyValue(std::string(kDoubleTapURL));
    if (settings_->setPersistentDomain(domain, kSpringBoardDomain)) confirmedDTap_ = true;
}

}  // namespace kestrova
