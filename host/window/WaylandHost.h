#pragma once
// The device in a native Wayland window, drawn in software like the X11 one: the 320 x 480-point
// screen as large as the window allows, its 2:3 shape kept between black bars, at the output's
// scale; at first as large as the output takes (or at the scale asked for), full screen on a
// phone-shaped output, with --fullscreen and by F11. Input means what it means in the X11
// window (WindowInput); touch points are fingers. Closing the window ends the application.
#include "host/device/Options.h"
#include "host/script/Script.h"
#include "host/window/WaylandSeat.h"
#include "host/window/WaylandWindow.h"
#include "host/window/WindowInput.h"
#include "host/window/WindowSession.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace host {

class SimulatedDevice;
class WaylandRunLoopWaiter;

class WaylandHost final : private WaylandWindow::Listener, private WindowSession {
public:
    using Reporter = std::function<void(const std::string& line)>;

    // Opens the window; null (with the reason in `why`) when the compositor cannot be reached or
    // refuses.
    static std::unique_ptr<WaylandHost> open(const Options& options, std::string* why);
    ~WaylandHost() override;
    WaylandHost(const WaylandHost&) = delete;
    WaylandHost& operator=(const WaylandHost&) = delete;

    // Runs until the window is closed (or the script ends). Returns the exit status.
    int run(const std::optional<Script>& script, const Reporter& report);

    // The window's first logical size: `scale` pixels a point if asked, else as large as fits an
    // output of `outputWidth` x `outputHeight` units (room left for a title bar) at `bufferScale`.
    static void initialSize(std::optional<double> scale, int outputWidth, int outputHeight, double bufferScale,
                            int* width, int* height);

private:
    WaylandHost(const Options& options, std::unique_ptr<WaylandWindow> window);

    void attach(SimulatedDevice* device) override;
    void turn(double maxWait) override;
    bool closed() const override { return quit_; }
    void animationTick() override { needsPresent_ = true; }
    void present();
    void layOut();
    WaylandBufferPool::Rect draw(WaylandBufferPool::Buffer& buffer);
    void command(WindowInput::Command c);

    // WaylandWindow::Listener
    void resized() override;
    void activated(bool active) override;
    void closeRequested() override;
    void frameDone() override {}

    Options options_;
    std::unique_ptr<WaylandWindow> window_;
    std::unique_ptr<WaylandRunLoopWaiter> waiter_;
    WindowInput input_;
    WaylandSeat::Mapping mapping_;
    std::unique_ptr<WaylandSeat> seat_;
    SimulatedDevice* device_ = nullptr;
    Reporter report_;
    bool quit_ = false;
    bool needsPresent_ = true;
};

}  // namespace host
