#pragma once
// The application delegate on the real platform, with time on a manual clock: a scratch device
// root, the build's bundle, the synthetic camera, and a recording host for launches and web
// addresses.
#include "app/KestrovaAppDelegate.h"
#include "tests/app/KestrovaAppDelegateTestApi.h"
#include "platform/camera/CameraController.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/EventLog.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/media/SoundService.h"
#include "platform/media/SystemVolumeController.h"
#include "platform/system/ApplicationServices.h"
#include "platform/system/ApplicationServicesHandler.h"
#include "platform/system/Device.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

struct RecordingHost : platform::ApplicationServicesHandler {
    std::vector<std::string> launches, urls;
    void launchApplication(const std::string& identifier, bool suspended) override {
        launches.push_back(identifier + (suspended ? " suspended" : ""));
    }
    void openURL(const std::string& url) override { urls.push_back(url); }
};

class AppFixture : public ::testing::Test {
protected:
    AppFixture() : loop(clock), files(root / "device") {
        std::filesystem::create_directories(root / "device");
        platform::RunLoop::setMain(&loop);
        platform::NotificationCenter::setDefaultCenter(&center);
        platform::FileManager::setDefaultManager(&files);
        useLanguage("en");
        defaults = std::make_unique<platform::UserDefaults>(files, bundle->bundleIdentifier());
        platform::UserDefaults::setStandardUserDefaults(defaults.get());
        platform::Device::setCurrentDevice(&device);
        platform::SystemVolumeController::setSharedInstance(&volume);
        platform::SoundService::setDefaultService(&sound);
        platform::ApplicationServices::setShared(&services);
        services.setHandler(&host);
        platform::CameraController::setSharedInstance(std::make_unique<platform::CameraController>(nullptr, &loop));
        platform::EventLog::configure(&clock, {});
        platform::EventLog::clear();
    }

    ~AppFixture() override {
        if (app && !app->terminated()) app->terminate();
        delegate.reset();
        app.reset();
        platform::CameraController::setSharedInstance(nullptr);
        services.setHandler(nullptr);
        platform::ApplicationServices::setShared(nullptr);
        platform::SoundService::setDefaultService(nullptr);
        platform::SystemVolumeController::setSharedInstance(nullptr);
        platform::Device::setCurrentDevice(nullptr);
        platform::UserDefaults::setStandardUserDefaults(nullptr);
        platform::Bundle::setMainBundle(nullptr);
        platform::FileManager::setDefaultManager(nullptr);
        platform::NotificationCenter::setDefaultCenter(nullptr);
        platform::RunLoop::setMain(nullptr);
    }

    // `beforeLaunch` sees the delegate before the application starts it (the save queue is made
    // at launch, so a test's position provider must be in place by then).
    void launch(const std::function<void(kestrova::KestrovaAppDelegate&)>& beforeLaunch = {}) {
        delegate = std::make_unique<kestrova::KestrovaAppDelegate>();
        if (beforeLaunch) beforeLaunch(*delegate);
        app = std::make_unique<platform::Application>();
        app->setDelegate(delegate.get());
        ASSERT_TRUE(app->launchWithoutInterface());
    }

    // Ends the application, as a test that launches again needs.
    void quit() {
        app->terminate();
        delegate.reset();
        app.reset();
    }

    // The delegate's insides; valid while the delegate lives.
    kestrova::KestrovaAppDelegateTestApi api() const { return kestrova::KestrovaAppDelegateTestApi(*delegate); }

    // Launches and runs until the worker has scanned the camera roll.
    void launchReady(const std::function<void(kestrova::KestrovaAppDelegate&)>& beforeLaunch = {}) {
        launch(beforeLaunch);
        loop.runFor(platform::Seconds(1.05));
        ASSERT_TRUE(api().saveWorker());
        ASSERT_TRUE(loop.runUntil([&] { return api().saveWorker()->cameraRoll().readyForPictures(); }, platform::Seconds(5)));
    }

    void useLanguage(const std::string& language) {
        bundle = std::make_unique<platform::Bundle>(testenv::bundleDir(), language);
        platform::Bundle::setMainBundle(bundle.get());
    }

    // A finger held `held` seconds at a window point, or at the centre of a view.
    void touch(platform::Point p, double held = 0.05) {
        delegate->window()->touchDown(0, p, loop.now());
        loop.runFor(platform::Seconds(held));
        delegate->window()->touchUp(0, loop.now());
    }
    void touch(const platform::View* view, double held = 0.05) { touch(centreOf(view), held); }
    static platform::Point centreOf(const platform::View* view) {
        return view->convertPointToView(view->bounds().center(), nullptr);
    }

    // Runs until every queued picture is written (virtual time; the worker itself is real).
    void drain() { ASSERT_TRUE(loop.runUntil([&] { return delegate->lastQueueSize() == 0; }, platform::Seconds(30))); }

    size_t shutterSounds() const {
        auto lines = platform::EventLog::lines();
        return size_t(std::count(lines.begin(), lines.end(), "sound shutter"));
    }

    std::vector<std::string> files100(const std::string& ext) const {
        std::vector<std::string> out;
        std::error_code ec;
        for (auto& e : std::filesystem::directory_iterator(roll(""), ec))
            if (e.path().extension() == ext) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::filesystem::path roll(const std::string& name) const {
        return root / "device/var/mobile/Media/DCIM/100APPLE" / name;
    }

    std::filesystem::path preferencesFile() const {
        return root / "device/var/mobile/Library/Preferences" / (bundle->bundleIdentifier() + ".plist");
    }
    static std::string plistXml(const std::filesystem::path& path) {
        return testenv::run(testenv::plistutil() + " -f xml -i " + testenv::shellQuote(path.string())).out;
    }

    testenv::ScratchDir root;
    platform::ManualClock clock;
    platform::RunLoop loop;
    platform::NotificationCenter center;
    platform::FileManager files;
    std::unique_ptr<platform::Bundle> bundle;
    std::unique_ptr<platform::UserDefaults> defaults;
    platform::Device device;
    platform::SystemVolumeController volume;
    platform::SoundService sound;
    platform::ApplicationServices services;
    RecordingHost host;
    std::unique_ptr<platform::Application> app;
    std::unique_ptr<kestrova::KestrovaAppDelegate> delegate;
};

}  // namespace apptest
