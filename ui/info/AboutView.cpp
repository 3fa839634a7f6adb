#include "ui/info/AboutView.h"

#include "location/GeoPosition.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/TextFile.h"
#include "platform/location/LocationManager.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/WebView.h"
#include "ui/InterfaceSupport.h"

#include <cstdio>

namespace kestrova {
namespace {

void fade(platform::View* view, float alpha) {
    if (view) view->setAlpha(alpha);
}

void setTitle(platform::Button* button, const std::string& title) {
    if (!button) return;
    button->setTitle(title, platform::ControlState::Normal);
    button->setTitle(title, platform::ControlState::Highlighted);
}

}  // namespace

AboutView::AboutView(const platform::Rect& frame) : View(frame) {}

AboutView::~AboutView() {
    if (helpView_) helpView_->setDelegate(nullptr);
}

void AboutView::awakeFromNib() {
    setTitle(helpButton_, localized("HELP"));
    setTitle(aboutButton_, localized("ABOUT"));
    // The double-tap control has no field of its own; its caption is the sheet's title.
    setTitle(dynamic_cast<platform::Button*>(viewWithName("doubleTapButton")), localized("CONFIRM_DOUBLE_TAP"));

    auto web = std::make_unique<platform::WebView>(frame());
    web->setBackgroundColor(std::nullopt);
    web->setDelegate(this);
    web->setBundle(&platform::Bundle::mainBundle());
    web->setName("helpView");
    url_str_ = helpText(platform::Bundle::mainBundle());
    web->setAlpha(0);
    web->loadHTMLString(url_str_, "");

    if (geotagLabel_) geotagLabel_->setText(localized("GEOTAG_TITLE"));
    updateGPSLabels();

    helpView_ = static_cast<platform::WebView*>(addSubview(std::move(web)));
    if (xButton_) {
        xButton_->setAlpha(0);
        bringSubviewToFront(xButton_);
    }
}

void AboutView::loadHelpPage() {
    platform::ViewAnimation::beginAnimations();
    fade(helpView_, kHelpOpacity);
    fade(xButton_, 1.0f);
    fade(helpButton_, 0.0f);
    fade(aboutButton_, 0.0f);
    fade(gpstext_, 0.0f);
    fade(geotagLabel_, 0.0f);
    fade(gpsButton_, 0.0f);
    platform::ViewAnimation::commitAnimations();
}

void AboutView::closeHelpPage() {
    platform::ViewAnimation::beginAnimations();
    fade(helpButton_, 1.0f);
    fade(aboutButton_, 1.0f);
    fade(xButton_, 0.0f);
    fade(helpView_, 0.0f);
    fade(gpstext_, 1.0f);
    fade(geotagLabel_, 1.0f);
    fade(gpsButton_, 1.0f);
    platform::ViewAnimation::commitAnimations();
}

void AboutView::updateGPSLabels() {
    if (!gpstext_) return;
    GeoPosition* geo = GeoPosition::sharedInstance();
    // Pictures carry no position while location services are off, whatever fix is kept.
    auto manager = geo ? geo->locationManager() : nullptr;
    if (manager && !manager->locationServicesEnabled()) {
        gpstext_->setText(localized("GEOTAG_SERVICES_OFF"));
        return;
    }
    if (!geo || geo->getValuesState() == 0) {
        gpstext_->setText(localized("GEOTAG_REFRESH"));
        return;
    }
    gpstext_->setText(positionLine(geo->getCurrLatitude(), geo->getCurrLongitude()));
}

void AboutView::refreshGPS(platform::Object*) {
    GeoPosition* geo = GeoPosition::sharedInstance();
    if (!geo) return;
    if (auto manager = geo->locationManager()) manager->startUpdatingLocation();
}

std::string AboutView::helpText(const platform::Bundle& bundle) {
    const std::string name = bundle.localizedString("HELP_FILE");
    auto path = bundle.pathForResource(name, "html");
    if (!path) return {};
    const bool unicodeName = name == "help_japanese" || name == "help_zhcn" || name == "help_zhtw";
    auto text = unicodeName ? platform::TextFile::readUTF8(*path) : platform::TextFile::readDefault(*path);
    return text.value_or("");
}

std::string AboutView::positionLine(float latitude, float longitude) {
    // A fixed format of two doubles: no translated text reaches it.
    char line[96];
    std::snprintf(line, sizeof line, "%1.2f %1.2f", double(latitude), double(longitude));
    return line;
}

bool AboutView::webViewShouldStartLoadWithRequest(platform::WebView*, const std::string&,
                                                  platform::WebViewNavigationType) {
    return true;
}

bool AboutView::setOutlet(std::string_view name, platform::Object* object) {
    if (name == "helpButton") helpButton_ = outlet<platform::Button>(object);
    else if (name == "aboutButton") aboutButton_ = outlet<platform::Button>(object);
    else if (name == "xButton") xButton_ = outlet<platform::Button>(object);
    else if (name == "gpsButton") gpsButton_ = outlet<platform::Button>(object);
    else if (name == "gpstext") gpstext_ = outlet<platform::Label>(object);
    else if (name == "geotagLabel") geotagLabel_ = outlet<platform::Label>(object);
    else return View::setOutlet(name, object);
    return true;
}

platform::Action AboutView::actionNamed(std::string_view name) {
    if (name == "refreshGPS") return [this](platform::Object* sender) { refreshGPS(sender); };
    return View::actionNamed(name);
}

}  // namespace kestrova
