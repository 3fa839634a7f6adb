// Start-up, pages, settings and shutdown of the application delegate.
#include "tests/app/AppFixture.h"

#include "platform/cameraui/CameraClassRegistry.h"
#include "platform/cameraui/CameraView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Layer.h"
#include "platform/ui/NavigationBar.h"
#include "ui/controls/MenuScrollView.h"
#include "ui/controls/SnapButtonView.h"
#include "ui/controls/TransitionView.h"
#include "ui/quickview/ThumbnailManager.h"

#include <regex>

using namespace std::chrono_literals;

namespace apptest {
namespace {

using StartupTest = AppFixture;

bool plistHas(const std::string& xml, const std::string& key, const std::string& value) {
    return std::regex_search(xml, std::regex("<key>" + key + "</key>\\s*" + value));
}

TEST_F(StartupTest, StartsInOrder) {
    // Settings that only an earlier step can have put in place for a later one.
    defaults->setInteger(3, "ColorMode");
    defaults->setInteger(1, "PreviewState");
    defaults->setInteger(2, "TouchRingSize");
    launch();
    auto* cc = platform::CameraController::sharedInstance();

    // Settings first, then the camera: bound, delegate set, preview running.
    EXPECT_EQ(api().cameraController(), cc);
    EXPECT_EQ(cc->delegate(), delegate.get());
    EXPECT_TRUE(cc->isPreviewing());
    // The preview view lies beneath the whole camera page.
    EXPECT_EQ(api().mainView()->subviewAt(0), api().cameraView());
    // The option buttons were built from the settings, and after the fan: its dock side is the
    // stored one (left), applied through the quick-view button.
    EXPECT_EQ(api().previewManager()->dockSide(), kestrova::DockSide::Left);
    EXPECT_TRUE(api().previewManager()->enabled());
    EXPECT_EQ(api().snapButton()->touchRingRadius(), 65);
    // The volume display is off and the start-up volume kept.
    EXPECT_FALSE(volume.systemVolumeHUDEnabled());
    EXPECT_FLOAT_EQ(api().oldVolume(), platform::SystemVolumeController::kDefaultVolume);
    // The save queue is there from the start; its worker starts one second later, the
    // information page loads then too.
    ASSERT_NE(api().saveWorker(), nullptr);
    EXPECT_TRUE(api().saveWorker()->readyForCapture());
    EXPECT_TRUE(delegate->window()->isKeyWindow());
    loop.runFor(0.99s);
    EXPECT_FALSE(api().saveWorker()->started());
    EXPECT_EQ(delegate->aboutView(), nullptr);
    loop.runFor(0.02s);
    EXPECT_TRUE(api().saveWorker()->started());
    EXPECT_NE(delegate->aboutView(), nullptr);
}

TEST_F(StartupTest, FirstLaunchDefaultsAndTheBarSlidesIn) {
    launch();
    using kestrova::stateOfMode;
    EXPECT_EQ(api().previewState(), kestrova::PreviewState::DockedRight);
    EXPECT_EQ(api().dockSide(), kestrova::DockSide::Right);
    EXPECT_EQ(api().previewShow(), 1);
    for (int32_t v : {stateOfMode(api().colorStatus()), stateOfMode(api().timerStatus()),
                      stateOfMode(api().burstStatus()), stateOfMode(api().sizeStatus()),
                      stateOfMode(api().zoomStatus()), stateOfMode(api().rotateStatus()),
                      stateOfMode(api().soundStatus()), stateOfMode(api().levelStatus()),
                      stateOfMode(api().touchRingRadius())})
        EXPECT_EQ(v, 0);
    EXPECT_TRUE(api().levelerImage()->hidden());
    EXPECT_TRUE(api().snapButton()->zoomEnabled());
    // The bar starts slid away and its show runs 0.13 s after launch.
    EXPECT_TRUE(api().buttonBar()->hidden());
    loop.runFor(0.14s);
    EXPECT_FALSE(api().buttonBar()->hidden());
    EXPECT_EQ(api().buttonBar()->currentPageNumber(), 0);
}

TEST_F(StartupTest, HiddenBarStaysAwaySettingsRoundTripAndAnEarlyEndStartsNoWorker) {
    defaults->setBool(true, "OptionsBarHidden");
    defaults->setInteger(9, "ColorMode");
    defaults->setInteger(-1, "TimerMode");
    defaults->setInteger(5, "OptionsBarPageNumber");
    defaults->setInteger(0, "PreviewState");
    ASSERT_TRUE(defaults->synchronize());
    launch();
    // It stays slid away.
    loop.runFor(0.5s);
    EXPECT_TRUE(api().buttonBar()->hidden());
    // Out-of-range modes start at 0; quick view off still docks right; page 5 wraps to 2.
    EXPECT_EQ(api().colorStatus(), kestrova::ColorMode::FullColor);
    EXPECT_EQ(api().timerStatus(), kestrova::TimerMode::Off);
    EXPECT_EQ(api().previewShow(), 0);
    EXPECT_EQ(api().dockSide(), kestrova::DockSide::Right);
    EXPECT_FALSE(api().previewManager()->enabled());
    EXPECT_EQ(api().buttonBar()->currentPageNumber(), 2);

    // Resigning writes the settings as they are now, read back by an independent reader (each
    // option's own key: OptionCatalogueTest); terminating writes them again.
    delegate->setSizeStatus(kestrova::ImageSize::Small);
    app->resignActive();
    std::string xml = plistXml(preferencesFile());
    EXPECT_TRUE(plistHas(xml, "ColorMode", "<integer>0</integer>")) << xml;
    EXPECT_TRUE(plistHas(xml, "ImageSize", "<integer>2</integer>")) << xml;
    EXPECT_TRUE(plistHas(xml, "OptionsBarPageNumber", "<integer>2</integer>")) << xml;
    EXPECT_TRUE(plistHas(xml, "OptionsBarHidden", "<true/>")) << xml;
    app->becomeActive();
    delegate->setBurstStatus(kestrova::BurstMode::On);
    app->terminate();
    EXPECT_TRUE(plistHas(plistXml(preferencesFile()), "BurstMode", "<integer>1</integer>"));
    // Ended in its first second: the worker never starts; with no double tap confirmed the home
    // screen hears nothing.
    loop.runFor(1.0s);
    EXPECT_FALSE(api().saveWorker()->started());
    for (const auto& line : platform::EventLog::lines())
        EXPECT_EQ(line.rfind("notify ", 0), std::string::npos) << line;
}

TEST_F(StartupTest, InformationPageOnceAndBack) {
    launch();
    loop.runFor(0.5s);
    auto* infoButton = api().navbar()->barButtonItemNamed("infoButton").get();
    ASSERT_NE(infoButton, nullptr);
    // Two quick taps: one transition, one navigation item. The first loads the page at once.
    infoButton->sendAction();
    infoButton->sendAction();
    platform::View* page = delegate->aboutView();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->superview(), api().switcher());
    EXPECT_EQ(api().mainView()->superview(), nullptr);
    EXPECT_EQ(api().navbar()->items().size(), 2u);
    EXPECT_EQ(api().switcher()->layer().animationKeys().size(), 1u);
    // The delayed load at one second finds the page there and leaves it alone.
    loop.runFor(0.6s);
    EXPECT_EQ(delegate->aboutView(), page);
    EXPECT_EQ(page->superview(), api().switcher());

    // "Website" asks the host; the camera button goes back and pops the item; the album button
    // launches the album.
    ASSERT_NE(api().navbar()->buttonWithTitle("Website"), nullptr);
    api().navbar()->topItem()->rightBarButtonItem()->sendAction();
    EXPECT_EQ(host.urls, std::vector<std::string>{kestrova::KestrovaAppDelegate::kWebsite});
    touch(api().navbar()->buttonWithTitle("Camera"));
    EXPECT_EQ(api().mainView()->superview(), api().switcher());
    EXPECT_EQ(page->superview(), nullptr);
    EXPECT_EQ(api().navbar()->items().size(), 1u);
    touch(api().navbar()->buttonForItem(api().navbar()->barButtonItemNamed("albumButton").get()));
    EXPECT_EQ(host.launches, std::vector<std::string>{kestrova::KestrovaAppDelegate::kAlbumIdentifier});
}

// Platforms without the first-choice camera classes: the plain names serve; with them, they win.
TEST_F(StartupTest, CameraClassesFallBackToThePlainNames) {
    auto& cameras = platform::CameraClassRegistry::shared();
    struct Restore {
        platform::CameraClassRegistry& r;
        ~Restore() {
            r.registerControllerClass("PLCameraController", [] { return platform::CameraController::sharedInstance(); });
            r.registerViewClass("PLCameraView", [](const platform::Rect& f) { return std::make_unique<platform::CameraView>(f); });
        }
    } restore{cameras};
    cameras.removeClass("PLCameraController");
    cameras.removeClass("PLCameraView");
    launch();
    ASSERT_NE(api().cameraView(), nullptr);
    EXPECT_EQ(api().cameraView()->frame(), delegate->window()->frame());
    EXPECT_TRUE(api().cameraController()->isPreviewing());
    quit();

    // First-choice classes present: they are the ones asked.
    int views = 0, controllers = 0;
    cameras.registerViewClass("PLCameraView", [&](const platform::Rect& f) {
        ++views;
        return std::make_unique<platform::CameraView>(f);
    });
    cameras.registerControllerClass("PLCameraController", [&] {
        ++controllers;
        return platform::CameraController::sharedInstance();
    });
    launch();
    EXPECT_EQ(views, 1);
    EXPECT_EQ(controllers, 1);
    quit();
}

}  // namespace
}  // namespace apptest
