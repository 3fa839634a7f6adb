#pragma once
// The simulated device: the platform services a phone would provide, installed for the process
// (main run loop, notification centre, file manager over the device root, event log clock), and
// the application running on it. Both hosts drive the application through this one object, so a
// script and a window reach the same code.
#include "host/device/Options.h"
#include "platform/ui/ApplicationDelegate.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/Window.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class Application;
class AudioSink;
}

namespace host {

class SimulatedDevice {
public:
    using Warn = std::function<void(const std::string& line)>;
    // Installs the device's services for the process. `clock` outlives the device. `warn` gets
    // the one-line warnings of sources that cannot be opened (empty: standard error).
    SimulatedDevice(const Options& options, platform::Clock& clock, Warn warn = {});
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    const Options& options() const { return options_; }
    platform::RunLoop& runLoop() { return runLoop_; }
    platform::Clock& clock() { return clock_; }

    // Makes the camera and location hardware the options name, then starts the application: its
    // delegate is told that launching finished. False (with a one-line reason) when the device
    // root cannot be made.
    // `delegate` null: the application's own (makeAppDelegate); tests pass their own.
    bool launch(std::string* error, std::unique_ptr<platform::ApplicationDelegate> delegate = nullptr);
    bool launched() const { return launched_; }
    platform::Application* application() const;
    // The application's window on the screen; null before launch.
    platform::Window* screen() const;

    // --- Input, in points of the 320 x 480 screen ---
    // One event in which each listed finger changes.
    void sendTouches(const std::vector<platform::TouchInput>& inputs);
    // Lifts (or cancels) a finger where it is.
    void liftFinger(int finger, bool cancel);
    void cancelAllTouches();

    // --- Application lifecycle ---
    void resignActive();
    void becomeActive();
    bool active() const;
    // The platform ends the application: the delegate's termination runs, then "terminate" is
    // logged. Later calls do nothing.
    void terminate();
    bool terminated() const;

    // --- Hardware ---
    // The hardware volume keys: the active audio category's volume one step up or down.
    void pressVolumeKey(bool up);
    // Where system sounds are heard (the window's audio device); null: nowhere. Borrowed.
    void setAudioSink(platform::AudioSink* sink);
    // Turns the device (1 portrait ... 6 face down), announced to whoever listens.
    bool setOrientation(platform::DeviceOrientation orientation);
    platform::DeviceOrientation orientation() const;
    // A fix from the simulated receiver; false when the device reads gpsd instead.
    bool injectLocation(double latitude, double longitude, double accuracy);
    // The user's location-services switch, announced with its notification when it changes.
    void setLocationServicesEnabled(bool enabled);

    // Draws the screen at another scale (pixels a point; at first the options' scale, or 2) from
    // the next composite on, as a resized window needs.
    void setScale(double scale);

    // The screen as the user sees it, at the host's scale; null before launch.
    platform::ImageRef screenshot();
    // Composites the screen without copying it out: B,G,R,X rows, valid until the next composite.
    struct Frame {
        const uint8_t* pixels = nullptr;
        int width = 0, height = 0, bytesPerRow = 0;
    };
    std::optional<Frame> composite();
    // Composites the screen straight into a window system's B,G,R,X buffer of exactly the
    // screen's pixel size. False (nothing drawn) when it cannot.
    bool compositeInto(uint8_t* pixels, int width, int height, int bytesPerRow);
    // The pixels the last composite drew again; empty when nothing had changed.
    platform::Compositor::PixelRect lastCompositeDamage() const;

    static constexpr float kScreenWidth = 320, kScreenHeight = 480;

    // The bundle beside the executable (build tree) or in ../share/kestrova (installed).
    static std::optional<std::filesystem::path> findBundle();

private:
    Options options_;
    platform::Clock& clock_;
    platform::RunLoop runLoop_;
    platform::NotificationCenter notificationCenter_;
    platform::FileManager fileManager_;
    Warn warn_;
    struct Services;
    std::unique_ptr<Services> services_;
    bool launched_ = false;

    void installCamera();
    void installLocation();
};

}  // namespace host
