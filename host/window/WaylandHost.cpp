#include "host/window/WaylandHost.h"

#include "host/device/SimulatedDevice.h"
#include "host/window/ScreenshotSaver.h"
#include "host/window/WindowSession.h"
#include "host/window/WaylandRunLoopWaiter.h"
#include "host/window/WindowHost.h"

#include "platform/ui/ViewAnimation.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace host {
namespace {

using Rect = WaylandBufferPool::Rect;

// Room left for a title bar and a panel: the compositor does not say how much its own take.
constexpr int kFrameGuess = 40;
// The screen at a quarter of its size at the least, in surface units.
constexpr int kMinimumWidth = 160, kMinimumHeight = 240;

Rect intersect(const Rect& a, const Rect& b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

void WaylandHost::initialSize(std::optional<double> scale, int outputWidth, int outputHeight, double bufferScale,
                              int* width, int* height) {
    double pixelsPerPoint;
    if (scale) pixelsPerPoint = *scale;
    else if (outputWidth > 0 && outputHeight > 0)
        pixelsPerPoint = ScreenPlacement::largestFittingScale(int(outputWidth * bufferScale),
                                                              int((outputHeight - kFrameGuess) * bufferScale));
    else pixelsPerPoint = Options::kDefaultScale * bufferScale;
    // Whole units that hold the screen's pixels: a window a hair too small would take the next scale down.
    *width = int(std::ceil(ScreenPlacement::pixels(SimulatedDevice::kScreenWidth, pixelsPerPoint) / bufferScale - 1e-6));
    *height = int(std::ceil(ScreenPlacement::pixels(SimulatedDevice::kScreenHeight, pixelsPerPoint) / bufferScale - 1e-6));
}

std::unique_ptr<WaylandHost> WaylandHost::open(const Options& options, std::string* why) {
    auto window = WaylandWindow::connect(why);
    if (!window) return nullptr;
    int outputWidth = 0, outputHeight = 0;
    window->firstOutputSize(&outputWidth, &outputHeight);
    const bool fullscreen =
        options.fullscreen || (outputWidth > 0 && WindowHost::startsFullScreen(outputWidth, outputHeight));
    std::unique_ptr<WaylandHost> host(new WaylandHost(options, std::move(window)));
    // Sizes in surface units; the window's buffer scale until the surface enters an output.
    int w = 0, h = 0;
    initialSize(options.scale, outputWidth, outputHeight, host->window_->pixelsPerUnit(), &w, &h);
    if (!host->window_->show(w, h, kMinimumWidth, kMinimumHeight, fullscreen, why)) return nullptr;
    host->seat_ = std::make_unique<WaylandSeat>(host->window_->bindSeat(), host->window_->compositor(),
                                                host->window_->shm(), host->window_->surface(), host->input_,
                                                host->mapping_, [h = host.get()](WindowInput::Command c) { h->command(c); });
    host->layOut();
    return host;
}

WaylandHost::WaylandHost(const Options& options, std::unique_ptr<WaylandWindow> window)
    : options_(options), window_(std::move(window)),
      waiter_(std::make_unique<WaylandRunLoopWaiter>(window_->display())) {
    window_->setListener(this);
}

WaylandHost::~WaylandHost() {
    seat_.reset();
    window_.reset();
    SDL_Quit();  // the sound's
}

void WaylandHost::layOut() {
    // A scale asked for is in device pixels a point, like the buffer's.
    mapping_.placement = ScreenPlacement::inWindow(window_->bufferWidth(), window_->bufferHeight(), options_.scale);
    mapping_.pixelsPerUnit = window_->pixelsPerUnit();
    if (device_) device_->setScale(mapping_.placement.scale());
    needsPresent_ = true;
}

void WaylandHost::resized() { layOut(); }

void WaylandHost::activated(bool active) {
    if (!device_) return;
    if (active) device_->becomeActive();
    else input_.focusLost();
}

void WaylandHost::closeRequested() {
    if (device_) device_->terminate();
    quit_ = true;
}

void WaylandHost::command(WindowInput::Command c) {
    switch (c) {
        case WindowInput::Command::ToggleFullScreen: window_->setFullscreen(!window_->fullscreen()); break;
        case WindowInput::Command::Screenshot:
            if (device_) report_(ScreenshotSaver::save(*device_));
            break;
        case WindowInput::Command::None: break;
    }
}

int WaylandHost::run(const std::optional<Script>& script, const Reporter& report) {
    report_ = report;
    return runSession(options_, mapping_.placement.scale(), waiter_.get(), script, report);
}

void WaylandHost::attach(SimulatedDevice* device) {
    device_ = device;
    input_.attach(device);
}

void WaylandHost::turn(double maxWait) {
    auto& loop = device_->runLoop();
    if (!window_->dispatch()) {
        // The compositor is gone, and the window with it: the phone would end the application.
        report_("kestrova: the Wayland compositor closed the connection");
        device_->terminate();
        quit_ = true;
        return;
    }
    loop.runDue();
    if (device_->terminated()) {
        quit_ = true;
        return;
    }
    auto* screen = device_->screen();
    if ((needsPresent_ || (screen && screen->needsComposite())) && !window_->framePending()) present();

    double wait = maxWait;
    if (auto next = loop.nextFireDate()) {
        const double untilTimer = std::max(0.0, *next - loop.now());
        wait = wait < 0 ? untilTimer : std::min(wait, untilTimer);
    }
    loop.waitForWork(wait);
}

void WaylandHost::present() {
    if (!device_->screen()) return;
    const bool all = needsPresent_;
    if (window_->present([this, all](WaylandBufferPool::Buffer& b) {
            if (all) b.whole = true;
            return draw(b);
        }))
        needsPresent_ = false;
}

Rect WaylandHost::draw(WaylandBufferPool::Buffer& b) {
    const ScreenPlacement& at = mapping_.placement;
    const Rect bufferRect{0, 0, b.width, b.height};
    const Rect screenRect = intersect({at.x(), at.y(), at.width(), at.height()}, bufferRect);
    // The compositor draws into its own surface only what changed; the buffer copies from it
    // what it missed since it was last shown.
    auto frame = device_->composite();
    if (!frame || frame->width != at.width() || frame->height != at.height()) return {};
    const auto d = device_->lastCompositeDamage();
    const Rect changed = b.whole ? bufferRect : intersect({at.x() + d.x, at.y() + d.y, d.width, d.height}, screenRect);
    if (changed.empty()) return {};
    const Rect copy = b.whole ? screenRect : intersect(WaylandBufferPool::unite(b.stale, changed), screenRect);
    if (b.whole) std::memset(b.pixels, 0, size_t(b.stride) * size_t(b.height));  // the bars: black
    for (int y = copy.y; y < copy.y + copy.height; ++y)
        std::memcpy(b.pixels + size_t(y) * size_t(b.stride) + size_t(copy.x) * 4,
                    frame->pixels + size_t(y - at.y()) * size_t(frame->bytesPerRow) + size_t(copy.x - at.x()) * 4,
                    size_t(copy.width) * 4);
    return changed;
}

}  // namespace host
