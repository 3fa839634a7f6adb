#pragma once
// The application delegate on the real platform, with time on a manual clock: a scratch device
// root, the build's bundle (plus a plain information page when the bundle has none yet), the
// synthetic camera, and a recording host for launches and web addresses.
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
        makeBundle();
        platform::RunLoop::setMain(&loop);
        platform::NotificationCenter::setDefaultCenter(&center);
        platform::FileManager::setDefaultManager(&files);
        bundle = std::make_unique<platform::Bundle>(root / "bundle");
        platform::Bundle::setMainBundle(bundle.get());
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

    // The delegate's insides; valid while the delegate lives.
    kestrova::KestrovaAppDelegateTestApi api() const { return kestrova::KestrovaAppDelegateTestApi(*delegate); }

    // Launches and runs until the worker has scanned the camera roll.
    void launchReady() {
        launch();
        loop.runFor(platform::Seconds(1.05));
        ASSERT_TRUE(api().saveWorker());
        ASSERT_TRUE(loop.runUntil([&] { return api().saveWorker()->cameraRoll().readyForPictures(); }, platform::Seconds(5)));
    }

    // Runs until every queued picture is written (virtual time; the worker itself is real).
    void drain() { ASSERT_TRUE(loop.runUntil([&] { return delegate->lastQueueSize() == 0; }, platform::Seconds(30))); }

    size_t shutterSounds() const {
        auto lines = platform::EventLog::lines();
        return size_t(std::count(lines.begin(), lines.end(), "sound shutter"));
    }

    std::vector<std::string> files100(const std::string& ext) const {
        std::vector<std::string> out;
        auto dir = root / "device/var/mobile/Media/DCIM/100APPLE";
        std::error_code ec;
        for (auto& e : std::filesystem::directory_iterator(dir, ec))
            if (e.path().extension() == ext) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string preferencesXml() const {
        auto path = root / "device/var/mobile/Library/Preferences" / (bundle->bundleIdentifier() + ".plist");
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

private:
    // The build's bundle, entry by entry, so a plain information page can stand in for one the
    // bundle does not have yet.
    void makeBundle() {
        namespace fs = std::filesystem;
        fs::create_directories(root / "bundle");
        for (auto& e : fs::directory_iterator(testenv::bundleDir()))
            fs::create_symlink(e.path(), root / "bundle" / e.path().filename());
        if (!fs::exists(root / "bundle/AboutPage.json")) {
            testenv::writeFile(root / "bundle/AboutPage.json", R"({
              "objects": [ { "class": "View", "id": "aboutView",
                             "properties": { "frame": [0, 0, 320, 480], "backgroundColor": [0.2, 0.2, 0.2] } } ],
              "outlets": [ { "from": "owner", "name": "aboutView", "to": "aboutView" } ] })");
        }
    }
};

}  // namespace apptest
