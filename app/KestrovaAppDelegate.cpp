// Start-up, pages and the application's life cycle.
#include "app/KestrovaAppDelegate.h"

#include "app/InterfaceClasses.h"
#include "location/GeoPosition.h"
#include "platform/cameraui/CameraClassRegistry.h"
#include "platform/camera/CameraController.h"
#include "platform/cameraui/CameraView.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/MainThreadChecker.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PropertyValue.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/location/LocationManager.h"
#include "platform/location/LocationServices.h"
#include "platform/media/SystemVolumeController.h"
#include "platform/system/ApplicationServices.h"
#include "platform/system/Device.h"
#include "platform/system/NotifyPost.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"
#include "ui/controls/GlowingCircleView.h"
#include "ui/controls/HideTriangleView.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/controls/TransitionView.h"
#include "ui/InterfaceSupport.h"

#include <algorithm>

namespace kestrova {


KestrovaAppDelegate::KestrovaAppDelegate() { registerInterfaceClasses(); }

KestrovaAppDelegate::~KestrovaAppDelegate() {
    if (geo_ && geo_->delegate() == this) geo_->setDelegate(nullptr);
    if (orientationDevice_) orientationDevice_->endGeneratingDeviceOrientationNotifications();
    if (switcher_) switcher_->setDelegate(nullptr);
    // Sheets may still be on screen, in views that outlive them for a moment.
    for (auto* sheet : {cancelSheet_.get(), confirmTap_.get(), aboutPopup_.get()})
        if (sheet) sheet->setDelegate(nullptr);
    // The worker drains what is queued before the pictures' owner goes.
    saveWorker_.reset();
    releaseQuickView();
}

bool KestrovaAppDelegate::loadMainInterface(std::string* error) {
    if (window_) return true;
    auto contents = platform::InterfaceLoader::loadNamed(kMainInterface, this, nullptr, error);
    if (!contents) return false;
    mainInterface_ = std::move(*contents);
    if (!window_ || !mainView_ || !switcher_) {
        if (error) *error = std::string(kMainInterface) + ": the window, mainView or switcher is missing";
        return false;
    }
    // The camera page waits here until the switcher takes it.
    if (auto page = mainInterface_.takeView("mainView")) keepPage(std::move(page));
    awakeFromNib();
    return true;
}

bool KestrovaAppDelegate::setOutlet(std::string_view name, platform::Object* object) {
    if (name == "window") window_ = outlet<platform::Window>(object);
    else if (name == "switcher") switcher_ = outlet<TransitionView>(object);
    else if (name == "mainView") mainView_ = outlet<platform::View>(object);
    else if (name == "aboutView") aboutView_ = outlet<platform::View>(object);
    else if (name == "navbar") navbar_ = outlet<platform::NavigationBar>(object);
    else if (name == "infoButton") infoButton_ = outlet<platform::BarButtonItem>(object);
    else if (name == "albumButton") albumButton_ = outlet<platform::BarButtonItem>(object);
    else if (name == "buttonBar") buttonBar_ = outlet<MenuScrollView>(object);
    else if (name == "snapButton") snapButton_ = outlet<SnapButtonView>(object);
    else if (name == "downArrow") downArrow_ = outlet<HideTriangleView>(object);
    else if (name == "progressView") progressView_ = outlet<GlowingCircleView>(object);
    else if (name == "burstText") burstText_ = outlet<platform::Label>(object);
    else if (name == "levelerImage") levelerImage_ = outlet<platform::View>(object);
    else return false;
    return true;
}

platform::Action KestrovaAppDelegate::actionNamed(std::string_view name) {
    using Method = void (KestrovaAppDelegate::*)(platform::Object*);
    static const std::pair<std::string_view, Method> kActions[] = {
        {"gotoInfoPage", &KestrovaAppDelegate::gotoInfoPage},
        {"gotoCameraPage", &KestrovaAppDelegate::gotoCameraPage},
        {"gotoAlbumPage", &KestrovaAppDelegate::gotoAlbumPage},
        {"gotoWebsite", &KestrovaAppDelegate::gotoWebsite},
        {"showHelp", &KestrovaAppDelegate::showHelp},
        {"closeHelpView", &KestrovaAppDelegate::closeHelpView},
        {"showAbout", &KestrovaAppDelegate::showAbout},
        {"confirmDoubleTap", &KestrovaAppDelegate::confirmDoubleTap},
    };
    for (const auto& [actionName, method] : kActions)
        if (actionName == name) return [this, method](platform::Object* sender) { (this->*method)(sender); };
    if (name == "performCapture") return [this](platform::Object*) { performCapture(); };
    if (name == "hideDelete") return [this](platform::Object*) { hideDelete(); };
    if (name == "deleteLastPhotos") return [this](platform::Object*) { deleteLastPhotos(); };
    return {};
}

void KestrovaAppDelegate::awakeFromNib() {
    KESTROVA_ASSERT_MAIN_THREAD();
    const platform::Rect screen = window_ ? window_->frame() : platform::Rect{0, 0, 320, 480};
    auto& cameras = platform::CameraClassRegistry::shared();
    const char* viewClass = cameras.hasClass("PLCameraView") ? "PLCameraView" : "CameraView";
    if (auto view = cameras.createView(viewClass, screen); view && mainView_) {
        cam_ = view.get();
        mainView_->insertSubviewAtIndex(std::move(view), 0);
    }
    if (navbar_) {
        platform::Rect f = navbar_->frame();
        navbar_->setFrame({f.origin.x, f.origin.y, f.size.width, kNavigationBarHeight});
    }
}

void KestrovaAppDelegate::applicationDidFinishLaunching(platform::Application&) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!window_ && !loadMainInterface()) return;
    initializeSettings();
    // The queue takes pictures from the first frame on; its worker starts a second later.
    createSaveQueue();
    initializeCameraController();
    initializeViews();
    initializeNotifications();
    initializeGeoPositioning();
    photoProcessingStart_ =
        platform::RunLoop::main().performAfter(platform::Seconds(1.0), [this] { initializePhotoProcessingThread(); });
    window_->makeKeyAndVisible();
}

void KestrovaAppDelegate::initializeCameraController() {
    auto& cameras = platform::CameraClassRegistry::shared();
    cc_ = cameras.sharedControllerOfClass("PLCameraController");
    if (!cc_) cc_ = cameras.sharedControllerOfClass("CameraController");
    if (!cc_) return;
    cc_->setDelegate(this);
    cc_->startPreview();
}

void KestrovaAppDelegate::initializeViews() {
    createQuickView();
    setShowLeveler(levelStatus_ != LevelerMode::Hidden);
    setShutterZoomEnabled(zoomStatus_ == ZoomMode::PinchZoom);
    createOptionsPages();
    if (infoButton_) infoButton_->setTitle(localized("INFOBUTTON"));
    if (albumButton_) albumButton_->setTitle(localized("ALBUMBUTTON"));
    if (progressView_) progressView_->setAlpha(0);

    auto hidden = settings_->stringForKey("OptionsBarHidden");
    if (!platform::PropertyValue::boolValueOf(hidden.value_or(""))) {
        optionsBarShow_ = platform::RunLoop::main().performAfter(platform::Seconds(0.13), [this] { showHideOptionsBar(); });
    }
    aboutViewLoad_ = platform::RunLoop::main().performAfter(platform::Seconds(1.0), [this] { loadAboutView(); });

    if (switcher_ && mainView_) {
        auto page = takeKeptPage(mainView_);
        switcher_->replaceSubview(nullptr, page, platform::TransitionType::Fade, platform::TransitionSubtype::None, 0);
        if (page) keepPage(std::move(page));
    }
}

void KestrovaAppDelegate::initializeNotifications() {
    avs_ = &platform::SystemVolumeController::sharedInstance();
    volumeObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
        platform::SystemVolumeController::kSystemVolumeDidChangeNotification, avs_,
        [this](const platform::Notification& n) { hardwareSnap(n); });
    avs_->setSystemVolumeHUDEnabled(false);
    std::string category;
    avs_->getActiveCategoryVolume(oldVolume_, category);
    buttonMutex_ = 0;
    orientationObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
        platform::Device::kOrientationDidChangeNotification, &platform::Device::currentDevice(),
        [this](const platform::Notification& n) { deviceOrientationChanged(n); });
}

void KestrovaAppDelegate::initializeGeoPositioning() {
    geo_ = GeoPosition::sharedInstance();
    if (!geo_) return;
    geo_->setDelegate(this);
    auto manager = geo_->locationManager();
    if (manager && manager->locationServicesEnabled()) manager->startUpdatingLocation();
    // Services that come back on (a positioning service restarted, the switch turned on) start
    // updates as launch would; the information page says either way.
    locationServicesObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
        platform::LocationServices::kEnabledDidChangeNotification, nullptr, [this](const platform::Notification&) {
            auto m = geo_->locationManager();
            if (m && m->locationServicesEnabled() && !m->updating()) m->startUpdatingLocation();
            updateAboutViewLabels();
        });
}

void KestrovaAppDelegate::loadAboutView() {
    KESTROVA_ASSERT_MAIN_THREAD();
    // The page is made once: the delayed load after launch does nothing when a tap loaded it.
    if (aboutView_) return;
    auto contents = platform::InterfaceLoader::loadNamed(kAboutInterface, this);
    if (!contents) return;
    aboutInterface_ = std::move(*contents);
    if (!aboutView_) return;
    auto& objects = aboutInterface_.topLevelObjects;
    auto it = std::find_if(objects.begin(), objects.end(),
                           [this](const auto& o) { return o.get() == static_cast<platform::Object*>(aboutView_); });
    if (it != objects.end()) {
        it->release();
        objects.erase(it);
        keepPage(std::unique_ptr<platform::View>(aboutView_));
    }
}

bool KestrovaAppDelegate::switchPage(platform::View* from, platform::View* to, bool toInfo) {
    if (!switcher_ || !to || to->superview() == switcher_) return false;
    auto page = takeKeptPage(to);
    std::unique_ptr<platform::View> removed;
    bool accepted = switcher_->replaceSubview(
        from, page, platform::TransitionType::MoveIn,
        toInfo ? platform::TransitionSubtype::FromRight : platform::TransitionSubtype::FromLeft, 0.2, &removed);
    if (page) keepPage(std::move(page));
    if (removed) keepPage(std::move(removed));
    return accepted;
}

void KestrovaAppDelegate::gotoInfoPage(platform::Object*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!aboutView_) loadAboutView();
    if (!switchPage(mainView_, aboutView_, true)) return;
    if (!navbar_) return;
    auto item = platform::NavigationItem::create("");
    auto camera = platform::BarButtonItem::create(localized("CAMERABUTTON"), platform::BarButtonItemStyle::Bordered,
                                                  this, [this](platform::Object* s) { gotoCameraPage(s); });
    camera->setName("cameraButton");
    auto website = platform::BarButtonItem::create("Website", platform::BarButtonItemStyle::Bordered, this,
                                                   [this](platform::Object* s) { gotoWebsite(s); });
    website->setName("websiteButton");
    item->setBackBarButtonItem(camera);
    item->setLeftBarButtonItem(camera);
    item->setRightBarButtonItem(website);
    navbar_->pushNavigationItem(item, true);
}

void KestrovaAppDelegate::gotoCameraPage(platform::Object*) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (!switchPage(aboutView_, mainView_, false)) return;
    if (navbar_) navbar_->popNavigationItemAnimated(true);
}

void KestrovaAppDelegate::gotoAlbumPage(platform::Object*) { exitToAlbum(); }

void KestrovaAppDelegate::exitToAlbum() {
    platform::ApplicationServices::shared().launchApplicationWithIdentifier(kAlbumIdentifier, false);
}

void KestrovaAppDelegate::gotoWebsite(platform::Object*) { platform::ApplicationServices::shared().openURL(kWebsite); }

void KestrovaAppDelegate::deviceOrientationChanged(const platform::Notification& notification) {
    KESTROVA_ASSERT_MAIN_THREAD();
    const auto* device = static_cast<const platform::Device*>(notification.object);
    setUIOrientation(device ? device->orientation() : platform::Device::currentDevice().orientation());
}

void KestrovaAppDelegate::applicationWillResignActive(platform::Application&) { saveSettings(); }

void KestrovaAppDelegate::applicationWillTerminate(platform::Application&) {
    KESTROVA_ASSERT_MAIN_THREAD();
    // A shutter that already sounded gets its picture queued before the wait below.
    if (cc_ && cc_->delegate() == this) cc_->deliverPendingPicture();
    // Every delayed call goes (the countdown is not one: it keeps its own course).
    photoProcessingStart_.cancel();
    aboutViewLoad_.cancel();
    optionsBarShow_.cancel();
    snaps_.cancelAll();
    pendingHides().cancelAll();
    saveSettings();
    waitTillFinishedSaving();
    // Nothing more is taken; the host may drop the camera before this object.
    if (cc_ && cc_->delegate() == this) cc_->setDelegate(nullptr);
    if (confirmedDTap_) platform::notifyPost("com.apple.language.changed");
}

void KestrovaAppDelegate::actionSheetClickedButtonAtIndex(platform::ActionSheet* sheet, int index) {
    KESTROVA_ASSERT_MAIN_THREAD();
    if (sheet && sheet == cancelSheet_.get()) stopTimer();
    else if (sheet && sheet == confirmTap_.get() && index == 0) setDoubleTap();
    if (sheet) sheet->dismissWithClickedButtonIndex(index, true);
}

void KestrovaAppDelegate::keepPage(std::unique_ptr<platform::View> page) {
    if (page) keptPages_.push_back(std::move(page));
}

std::unique_ptr<platform::View> KestrovaAppDelegate::takeKeptPage(platform::View* page) {
    auto it = std::find_if(keptPages_.begin(), keptPages_.end(), [page](const auto& p) { return p.get() == page; });
    if (it == keptPages_.end()) return nullptr;
    auto taken = std::move(*it);
    keptPages_.erase(it);
    return taken;
}

}  // namespace kestrova
