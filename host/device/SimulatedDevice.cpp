#include "host/device/SimulatedDevice.h"

#include "host/device/AppDelegateFactory.h"

#include "platform/camera/CameraController.h"
#include "platform/camera/CameraSourceFactory.h"
#include "platform/location/GeoClueLocationSource.h"
#include "platform/location/GpsdLocationSource.h"
#include "platform/location/LocationServices.h"
#include "platform/location/SimulatedLocationSource.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DirectoryLock.h"
#include "platform/foundation/EventLog.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/media/SoundService.h"
#include "platform/media/SystemVolumeController.h"
#include "platform/ui/Application.h"
#include "platform/system/ApplicationServices.h"
#include "platform/system/DesktopLauncher.h"
#include "platform/system/Device.h"
#include "platform/system/SensorProxyOrientation.h"
#include "platform/ui/Compositor.h"

#include <cstdio>
#include <system_error>

namespace host {

struct SimulatedDevice::Services {
    // One running copy per device root: a phone runs one camera application.
    std::unique_ptr<platform::DirectoryLock> rootLock;
    platform::Device hardware;
    platform::SystemVolumeController volume;
    platform::SoundService sound;
    std::unique_ptr<platform::Bundle> bundle;
    std::unique_ptr<platform::UserDefaults> defaults;
    platform::ApplicationServices applicationServices;
    std::unique_ptr<platform::DesktopLauncher> launcher;
    std::unique_ptr<platform::LocationServices> location;
    platform::SimulatedLocationSource* simulatedLocation = nullptr;  // null with a real receiver
    std::unique_ptr<platform::SensorProxyOrientation> accelerometer;  // with --orientation sensor
    platform::Compositor compositor;
    // The application borrows its delegate, so the delegate goes last.
    std::unique_ptr<platform::ApplicationDelegate> delegate;
    std::unique_ptr<platform::Application> application;
    explicit Services(float scale) : compositor(scale) {}
};

namespace {

std::string cameraOption(const CameraChoice& c) {
    switch (c.kind) {
        case CameraChoice::Kind::Images: return "images:" + c.path;
        case CameraChoice::Kind::V4L2: return "v4l2:" + c.path;
        case CameraChoice::Kind::PipeWire: return c.path.empty() ? "pipewire" : "pipewire:" + c.path;
        case CameraChoice::Kind::Synthetic: return "synthetic";
        case CameraChoice::Kind::Auto: break;
    }
    return "auto";
}

}  // namespace

SimulatedDevice::SimulatedDevice(const Options& options, platform::Clock& clock, Warn warn)
    : options_(options), clock_(clock), runLoop_(clock), fileManager_(options.deviceRoot),
      warn_(warn ? std::move(warn) : Warn([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); })),
      services_(std::make_unique<Services>(float(options.scale.value_or(Options::kDefaultScale)))) {
    platform::RunLoop::setMain(&runLoop_);
    platform::NotificationCenter::setDefaultCenter(&notificationCenter_);
    platform::FileManager::setDefaultManager(&fileManager_);
    services_->hardware.setOrientation(options.orientation);
    services_->hardware.setLanguage(options.language);
    platform::Device::setCurrentDevice(&services_->hardware);
    platform::ApplicationServices::setShared(&services_->applicationServices);
    platform::SystemVolumeController::setSharedInstance(&services_->volume);
    platform::SoundService::setDefaultService(&services_->sound);
}

SimulatedDevice::~SimulatedDevice() {
    terminate();
    services_->application.reset();
    platform::CameraController::setSharedInstance(nullptr);
    platform::LocationServices::setCurrent(nullptr);
    platform::UserDefaults::setStandardUserDefaults(nullptr);
    platform::Bundle::setMainBundle(nullptr);
    platform::SoundService::setDefaultService(nullptr);
    platform::SystemVolumeController::setSharedInstance(nullptr);
    platform::ApplicationServices::setShared(nullptr);
    platform::Device::setCurrentDevice(nullptr);
    services_.reset();
    platform::FileManager::setDefaultManager(nullptr);
    platform::NotificationCenter::setDefaultCenter(nullptr);
    platform::RunLoop::setMain(nullptr);
}

std::optional<std::filesystem::path> SimulatedDevice::findBundle() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    auto dir = exe.parent_path();
    // Beside the executable in a build tree (tests one folder deeper), else an installed share folder.
    for (const auto& candidate : {dir / "bundle", dir.parent_path() / "bundle", dir.parent_path() / "share" / "kestrova"})
        if (std::filesystem::is_regular_file(candidate / "Info.plist", ec)) return candidate;
    return std::nullopt;
}

void SimulatedDevice::setAudioSink(platform::AudioSink* sink) { services_->sound.setSink(sink); }

void SimulatedDevice::pressVolumeKey(bool up) {
    if (up) services_->volume.volumeUp();
    else services_->volume.volumeDown();
}

void SimulatedDevice::installCamera() {
    platform::CameraSourceFactory::Hardware hardware;
    hardware.windowShown = !options_.headless;
    auto source = platform::CameraSourceFactory::create(cameraOption(options_.camera), clock_, runLoop_, warn_, hardware);
    auto camera = std::make_unique<platform::CameraController>(std::move(source), &runLoop_);
    platform::CameraController::setSharedInstance(std::move(camera));
}

void SimulatedDevice::installLocation() {
    const auto& l = options_.location;
    std::shared_ptr<platform::LocationSource> source;
    if (l.kind == LocationChoice::Kind::Gpsd) {
        source = std::make_shared<platform::GpsdLocationSource>(runLoop_, l.host, std::to_string(l.port), warn_);
    } else if (l.kind == LocationChoice::Kind::GeoClue) {
        source = std::make_shared<platform::GeoClueLocationSource>(runLoop_, warn_);
    } else if (l.kind == LocationChoice::Kind::Auto) {
        // Trying gpsd is only a guess here: a machine without it hears nothing of it, and it is
        // not asked again.
        auto gpsd = std::make_shared<platform::GpsdLocationSource>(runLoop_, platform::GpsdLocationSource::kDefaultHost,
                                                                   platform::GpsdLocationSource::kDefaultPort,
                                                                   [](const std::string&) {}, false);
        source = std::make_shared<platform::GeoClueLocationSource>(runLoop_, warn_, std::string(), gpsd);
    } else {
        std::optional<platform::Location> fix;
        if (l.kind == LocationChoice::Kind::Fixed)
            fix = platform::Location{l.latitude, l.longitude, platform::SimulatedLocationSource::kDefaultAccuracy, 0};
        auto simulated = std::make_shared<platform::SimulatedLocationSource>(runLoop_, fix);
        services_->simulatedLocation = simulated.get();
        source = simulated;
    }
    services_->location = std::make_unique<platform::LocationServices>(l.kind != LocationChoice::Kind::Disabled, source);
    platform::LocationServices::setCurrent(services_->location.get());
}

bool SimulatedDevice::launch(std::string* error, std::unique_ptr<platform::ApplicationDelegate> delegate) {
    if (launched_) return true;
    std::error_code ec;
    std::filesystem::create_directories(options_.deviceRoot, ec);
    if (!std::filesystem::is_directory(options_.deviceRoot, ec)) {
        if (error) *error = "--device-root: cannot make the folder " + options_.deviceRoot.string();
        return false;
    }
    // A second copy would share the camera roll's numbers and preferences with the first; it
    // stops before touching anything. Where the root's file system cannot lock, it goes on.
    platform::DirectoryLock::Outcome lock;
    services_->rootLock = platform::DirectoryLock::tryLock(options_.deviceRoot, &lock);
    if (lock == platform::DirectoryLock::Outcome::HeldElsewhere) {
        if (error) *error = "--device-root: another kestrova is running on " + options_.deviceRoot.string();
        return false;
    }
    auto bundlePath = findBundle();
    if (!bundlePath) {
        if (error) *error = "cannot find the application bundle beside the executable";
        return false;
    }
    services_->bundle = std::make_unique<platform::Bundle>(*bundlePath, options_.language);
    platform::Bundle::setMainBundle(services_->bundle.get());
    services_->defaults = std::make_unique<platform::UserDefaults>(fileManager_, services_->bundle->bundleIdentifier());
    platform::UserDefaults::setStandardUserDefaults(services_->defaults.get());
    installCamera();
    installLocation();
    if (options_.orientationSensor)
        services_->accelerometer = std::make_unique<platform::SensorProxyOrientation>(
            runLoop_, [this](platform::DeviceOrientation orientation) { setOrientation(orientation); }, warn_);
    // Leaving for another application ends this one, at the loop's next turn.
    services_->launcher = std::make_unique<platform::DesktopLauncher>(
        options_.deviceRoot, options_.headless ? platform::DesktopLauncher::Opener{} : platform::DesktopLauncher::xdgOpen(),
        [this] { terminate(); });
    services_->applicationServices.setHandler(services_->launcher.get());
    services_->delegate = delegate ? std::move(delegate) : makeAppDelegate();
    services_->application = std::make_unique<platform::Application>();
    services_->application->setDelegate(services_->delegate.get());
    launched_ = true;
    services_->application->launchWithoutInterface();
    if (auto* w = screen()) w->setScale(services_->compositor.scale());
    return true;
}

platform::Application* SimulatedDevice::application() const { return services_ ? services_->application.get() : nullptr; }

platform::Window* SimulatedDevice::screen() const {
    if (!launched_ || terminated()) return nullptr;
    return application()->keyWindow();
}

void SimulatedDevice::sendTouches(const std::vector<platform::TouchInput>& inputs) {
    if (auto* w = screen()) w->sendTouches(inputs, runLoop_.now());
}

void SimulatedDevice::liftFinger(int finger, bool cancel) {
    auto* w = screen();
    if (!w) return;
    if (cancel) w->touchCancel(finger, runLoop_.now());
    else w->touchUp(finger, runLoop_.now());
}

void SimulatedDevice::cancelAllTouches() {
    if (auto* w = screen()) w->cancelAllTouches(runLoop_.now());
}

void SimulatedDevice::resignActive() {
    if (!application() || !active()) return;
    cancelAllTouches();
    application()->resignActive();
}

void SimulatedDevice::becomeActive() {
    if (application()) application()->becomeActive();
}

bool SimulatedDevice::active() const { return application() && application()->active(); }

void SimulatedDevice::terminate() {
    auto* app = application();
    if (!app || terminated()) return;
    cancelAllTouches();
    services_->accelerometer.reset();  // gives the accelerometer back
    app->terminate();
    platform::EventLog::log("terminate");
}

bool SimulatedDevice::terminated() const { return application() && application()->terminated(); }

bool SimulatedDevice::setOrientation(platform::DeviceOrientation orientation) {
    return services_->hardware.setOrientation(orientation);
}

platform::DeviceOrientation SimulatedDevice::orientation() const { return services_->hardware.orientation(); }

bool SimulatedDevice::injectLocation(double latitude, double longitude, double accuracy) {
    if (!services_->simulatedLocation) return false;
    return services_->simulatedLocation->inject(latitude, longitude, accuracy);
}

void SimulatedDevice::setLocationServicesEnabled(bool enabled) {
    if (services_->location) services_->location->setEnabled(enabled);
}

std::optional<SimulatedDevice::Frame> SimulatedDevice::composite() {
    auto* w = screen();
    auto& c = services_->compositor;
    if (!w || !c.composite(*w) || !c.pixels()) return std::nullopt;
    return Frame{c.pixels(), c.pixelWidth(), c.pixelHeight(), c.bytesPerRow()};
}

bool SimulatedDevice::compositeInto(uint8_t* pixels, int width, int height, int bytesPerRow) {
    auto* w = screen();
    return w && services_->compositor.composite(*w, pixels, width, height, bytesPerRow);
}

platform::Compositor::PixelRect SimulatedDevice::lastCompositeDamage() const {
    return services_->compositor.lastDamage();
}

void SimulatedDevice::setScale(double scale) {
    if (float(scale) == services_->compositor.scale()) return;
    services_->compositor.setScale(float(scale));
    if (auto* w = screen()) {
        w->setScale(float(scale));
        w->setNeedsComposite();
    }
}

platform::ImageRef SimulatedDevice::screenshot() {
    auto* w = screen();
    if (!w || !services_->compositor.composite(*w)) return nullptr;
    return services_->compositor.image();
}

}  // namespace host
