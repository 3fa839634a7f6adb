// The delegate's links to the camera page's controls whose classes other files are bringing in
// now (information page).
// Until a class is in the tree its link here does what a page without that control does; each
// block goes when the file that owns it lands (a duplicate definition at link time says which).
#include "app/KestrovaAppDelegate.h"

#include "platform/foundation/PropertyValue.h"
#include "platform/foundation/UserDefaults.h"

namespace kestrova {

// --- Information page ---
void KestrovaAppDelegate::updateAboutViewLabels() {}

void KestrovaAppDelegate::setDoubleTap() {
    if (!settings_) return;
    auto domain = settings_->persistentDomainForName("com.apple.springboard").value_or(platform::PropertyDictionary{});
    domain["SBDoubleTapURL"] = platform::PropertyValue(std::string("doubletap://org.kestrova.camera"));
    if (settings_->setPersistentDomain(domain, "com.apple.springboard")) confirmedDTap_ = true;
}

}  // namespace kestrova
