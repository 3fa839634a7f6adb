#pragma once
// The device in a resizable SDL2 window: the 320 x 480-point screen as large as the window allows,
// centred between black bars; at first as large as the display's usable area takes (or at the
// scale asked for), full screen on a display narrower than 2:3 (a phone held upright), with --fullscreen and by F11. The mouse is
// one finger, Alt + drag a two-finger pinch mirrored about the screen's centre, touchscreen
// fingers are fingers; the volume keys and +/- press the volume keys, Ctrl+Left/Right turns the
// device, F12 saves a screenshot; losing focus resigns the application, closing the window ends it.
#include "host/window/FingerTracker.h"
#include "host/device/Options.h"
#include "host/window/ScreenPlacement.h"
#include "host/window/WindowInput.h"
#include "host/window/WindowSession.h"
#include "host/script/Script.h"

#include "platform/foundation/Geometry.h"
#include "platform/ui/Window.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

union SDL_Event;
struct SDL_Window;

namespace host {

class SimulatedDevice;
class SdlRunLoopWaiter;

class WindowHost final : private WindowSession {
public:
    using Reporter = std::function<void(const std::string& line)>;

    // Opens the window on `display`; null, with SDL's reason in `why`, when it cannot.
    static std::unique_ptr<WindowHost> open(const Options& options, std::string* why);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Runs until the window is closed (or the script ends). Returns the exit status.
    int run(const std::optional<Script>& script, const Reporter& report);

    // A display narrower than the screen's own 2:3 shape is a phone held upright: the window
    // takes all of it from the start.
    static bool startsFullScreen(int displayWidth, int displayHeight);

private:
    WindowHost(const Options& options, SDL_Window* window, bool fitToFrame);

    // One turn of the host: reads SDL's events, runs what is due, redraws when something changed,
    // then sleeps until the next event, post or timer (at most `maxWait` seconds; negative: none).
    void attach(SimulatedDevice* device) override;
    void turn(double maxWait) override;
    bool closed() const override { return quit_; }
    void animationTick() override { needsPresent_ = true; }
    void handle(const SDL_Event& e);
    void handleMouse(const SDL_Event& e);
    void handleFinger(const SDL_Event& e);
    void handleKey(const SDL_Event& e);
    void present();
    // Places the screen in a window of this many pixels, at the scale that fits.
    void layOut(int width, int height);
    // Once the window manager has framed the window: as large as fits inside its frame.
    void fitToFrame();
    void toggleFullscreen();
    void saveScreenshot();

    Options options_;
    SDL_Window* window_;
    std::unique_ptr<SdlRunLoopWaiter> waiter_;
    SimulatedDevice* device_ = nullptr;
    Reporter report_;
    bool quit_ = false;
    bool needsPresent_ = true;
    ScreenPlacement placement_;
    bool barsNeedPaint_ = true;
    bool fitToFramePending_;
    WindowInput input_;
};

}  // namespace host
