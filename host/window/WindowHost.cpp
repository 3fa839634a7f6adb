#include "host/window/WindowHost.h"

#include "host/device/SimulatedDevice.h"
#include "host/device/EventLogSink.h"
#include "host/device/PngWriter.h"
#include "host/device/ScriptRunner.h"
#include "host/window/BackgroundAudioSink.h"
#include "host/window/SdlAudioSink.h"
#include "host/window/SdlRunLoopWaiter.h"
#include "host/device/SignalWatcher.h"

#include "platform/ui/ViewAnimation.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace host {
namespace {

using platform::Point;
using platform::TouchPhase;

// The mouse's fingers keep numbers of their own, so a touchscreen can be used at the same time.
constexpr int kMouseFinger = 8;
constexpr int kPinchFinger = 9;
// Room left for the window's title bar until the window manager says how tall its frame is.
constexpr int kTitleBarGuess = 40;
// The screen at a quarter of its size at the least.
constexpr int kMinimumWidth = 160, kMinimumHeight = 240;
// A sound server answers in a fraction of that, even on a loaded machine.
constexpr platform::Seconds kAudioDeadline{3.0};

}  // namespace

std::unique_ptr<WindowHost> WindowHost::open(const Options& options, std::string* why) {
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    if ((!x || !*x) && (!wl || !*wl)) {
        if (why) *why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        return nullptr;
    }
    // The host handles Ctrl+C itself, and real fingers and the mouse must stay apart: SDL would
    // otherwise turn each into the other and every touch would arrive twice.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_TOUCH_EVENTS, "0");
    // The window shows pixels made in memory: X11's shared-memory image takes them as they are,
    // while SDL's default, a GL texture per frame, costs more than the drawing where GL is
    // software (llvmpipe under Xvfb or without a GPU driver). SDL_FRAMEBUFFER_ACCELERATION in
    // the environment still wins.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (why) *why = SDL_GetError();
        return nullptr;
    }
    SDL_Rect usable{0, 0, 0, 0}, whole{0, 0, 0, 0};
    const bool known = SDL_GetDisplayUsableBounds(0, &usable) == 0 && SDL_GetDisplayBounds(0, &whole) == 0 &&
                       usable.w > 0 && usable.h > 0;
    const bool fullscreen = options.fullscreen || (known && startsFullScreen(whole.w, whole.h));
    double scale = options.scale.value_or(Options::kDefaultScale);
    if (!options.scale && known)
        scale = ScreenPlacement::largestFittingScale(usable.w, usable.h - kTitleBarGuess);
    const int w = ScreenPlacement::pixels(SimulatedDevice::kScreenWidth, scale);
    const int h = ScreenPlacement::pixels(SimulatedDevice::kScreenHeight, scale);
    int left = SDL_WINDOWPOS_CENTERED, top = SDL_WINDOWPOS_CENTERED;
    if (known && w <= usable.w && h + kTitleBarGuess <= usable.h) {
        left = usable.x + (usable.w - w) / 2;
        top = usable.y + kTitleBarGuess + (usable.h - kTitleBarGuess - h) / 2;
    }
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window* window = SDL_CreateWindow("Kestrova", left, top, w, h, flags);
    if (!window) {
        if (why) *why = SDL_GetError();
        SDL_Quit();
        return nullptr;
    }
    SDL_SetWindowMinimumSize(window, kMinimumWidth, kMinimumHeight);
    return std::unique_ptr<WindowHost>(new WindowHost(options, window, known && !options.scale && !fullscreen));
}

WindowHost::WindowHost(const Options& options, SDL_Window* window, bool fitToFrame)
    : options_(options), window_(window), waiter_(std::make_unique<SdlRunLoopWaiter>(window)),
      fitToFramePending_(fitToFrame) {
    fingers_.reserve(kMouseFinger, true);
    fingers_.reserve(kPinchFinger, true);
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    layOut(w, h);
}

WindowHost::~WindowHost() {
    SDL_DestroyWindow(window_);
    SDL_Quit();
}

int WindowHost::turnedOrientation(int current, bool left) {
    // Quarter turns to the left, in order: portrait, landscape left, upside down, landscape right.
    static constexpr int ring[] = {1, 3, 2, 4};
    int i = 0;
    for (int k = 0; k < 4; ++k)
        if (ring[k] == current) i = k;
    return ring[(i + (left ? 1 : 3)) % 4];
}

bool WindowHost::startsFullScreen(int displayWidth, int displayHeight) {
    return displayWidth * 3 < displayHeight * 2;
}

Point WindowHost::mirrored(Point p) { return {SimulatedDevice::kScreenWidth - p.x, SimulatedDevice::kScreenHeight - p.y}; }

void WindowHost::layOut(int width, int height) {
    placement_ = ScreenPlacement::inWindow(width, height, options_.scale);
    if (device_) device_->setScale(placement_.scale());
    barsNeedPaint_ = needsPresent_ = true;
}

void WindowHost::fitToFrame() {
    fitToFramePending_ = false;
    int top = 0, left = 0, bottom = 0, right = 0;
    SDL_Rect usable;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0 || top + left + bottom + right == 0 ||
        SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window_), &usable) != 0)
        return;  // no frame: the guess stands
    const double scale = ScreenPlacement::largestFittingScale(usable.w - left - right, usable.h - top - bottom);
    const int w = ScreenPlacement::pixels(SimulatedDevice::kScreenWidth, scale);
    const int h = ScreenPlacement::pixels(SimulatedDevice::kScreenHeight, scale);
    SDL_SetWindowSize(window_, w, h);
    SDL_SetWindowPosition(window_, usable.x + left + (usable.w - left - right - w) / 2,
                          usable.y + top + (usable.h - top - bottom - h) / 2);
}

void WindowHost::toggleFullscreen() {
    const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

int WindowHost::run(const std::optional<Script>& script, const Reporter& report) {
    report_ = report;
    platform::SystemClock clock;
    std::string error;
    auto sink = EventLogSink::open(options_.eventLog, clock, &error);
    if (!sink) {
        report("kestrova: " + error);
        return 2;
    }
    SimulatedDevice device(options_, clock);
    device_ = &device;
    device.setScale(placement_.scale());
    // No sound card is no reason not to run: the sounds are still logged.
    BackgroundAudioSink audio(
        device.runLoop(), [](std::string* why) -> std::unique_ptr<AudioOutput> { return SdlAudioSink::open(why); },
        kAudioDeadline, report);
    device.setAudioSink(&audio);
    device.runLoop().setWaiter(waiter_.get());
    SignalWatcher signals([&device](int) {
        device.runLoop().post([&device] { device.terminate(); });
    });
    // Animations tick on a run-loop timer; each tick changes what is on screen.
    platform::ViewAnimation::setFrameCallback([this] { needsPresent_ = true; });
    if (!device.launch(&error)) {
        report("kestrova: " + error);
        return 2;
    }

    int status = 0;
    if (script) {
        // In the window a script runs in real time, with the window drawn and read meanwhile.
        ScriptRunner runner(device, report, [this, &device](double seconds) {
            const double end = device.runLoop().now() + seconds;
            for (;;) {
                turn(std::max(0.0, end - device.runLoop().now()));
                if (quit_ || device.terminated() || device.runLoop().now() >= end) break;
            }
        });
        status = runner.run(*script);
    } else {
        while (!quit_ && !device.terminated()) turn(-1);
    }
    device.terminate();
    device.setAudioSink(nullptr);
    platform::ViewAnimation::setFrameCallback({});
    device.runLoop().setWaiter(nullptr);
    device_ = nullptr;
    return status;
}

void WindowHost::turn(double maxWait) {
    auto& loop = device_->runLoop();
    // SDL_PollEvent would ask the window system again for each event; the waiter knows when
    // there can be nothing new.
    SDL_Event e;
    if (waiter_->windowInputMayWait()) SDL_PumpEvents();
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) handle(e);
    loop.runDue();
    if (device_->terminated()) {
        quit_ = true;
        return;
    }
    auto* screen = device_->screen();
    if (needsPresent_ || (screen && screen->needsComposite())) present();

    double wait = maxWait;
    if (auto next = loop.nextFireDate()) {
        double untilTimer = std::max(0.0, *next - loop.now());
        wait = wait < 0 ? untilTimer : std::min(wait, untilTimer);
    }
    loop.waitForWork(wait);
}

void WindowHost::handle(const SDL_Event& e) {
    if (e.type == waiter_->eventType()) return;  // only woke the loop
    switch (e.type) {
        case SDL_QUIT: device_->terminate(); quit_ = true; break;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
                case SDL_WINDOWEVENT_CLOSE: device_->terminate(); quit_ = true; break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    // Whatever was held is gone with the focus.
                    mouseDown_ = mousePinch_ = false;
                    fingers_.releaseAll();
                    device_->resignActive();
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED: device_->becomeActive(); break;
                case SDL_WINDOWEVENT_EXPOSED:
                    if (fitToFramePending_) fitToFrame();
                    barsNeedPaint_ = needsPresent_ = true;
                    break;
                case SDL_WINDOWEVENT_SIZE_CHANGED: layOut(e.window.data1, e.window.data2); break;
                default: break;
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        case SDL_MOUSEMOTION: handleMouse(e); break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: handleFinger(e); break;
        case SDL_KEYDOWN: handleKey(e); break;
        default: break;
    }
}

void WindowHost::handleMouse(const SDL_Event& e) {
    using platform::TouchInput;
    if (e.type == SDL_MOUSEMOTION) {
        if (!mouseDown_ || e.motion.which == SDL_TOUCH_MOUSEID) return;
        Point p = placement_.toPoints(e.motion.x, e.motion.y);
        std::vector<TouchInput> in{{kMouseFinger, TouchPhase::Moved, p}};
        if (mousePinch_) in.push_back({kPinchFinger, TouchPhase::Moved, mirrored(p)});
        device_->sendTouches(in);
        return;
    }
    if (e.button.button != SDL_BUTTON_LEFT || e.button.which == SDL_TOUCH_MOUSEID) return;
    Point p = placement_.toPoints(e.button.x, e.button.y);
    if (e.type == SDL_MOUSEBUTTONDOWN) {
        // The bars are no part of the phone.
        if (mouseDown_ || !placement_.onScreen(e.button.x, e.button.y)) return;
        mouseDown_ = true;
        mousePinch_ = (SDL_GetModState() & KMOD_ALT) != 0;
        std::vector<TouchInput> in{{kMouseFinger, TouchPhase::Began, p}};
        if (mousePinch_) in.push_back({kPinchFinger, TouchPhase::Began, mirrored(p)});
        device_->sendTouches(in);
    } else {
        if (!mouseDown_) return;
        std::vector<TouchInput> in{{kMouseFinger, TouchPhase::Ended, p}};
        if (mousePinch_) in.push_back({kPinchFinger, TouchPhase::Ended, mirrored(p)});
        mouseDown_ = mousePinch_ = false;
        device_->sendTouches(in);
    }
}

void WindowHost::handleFinger(const SDL_Event& e) {
    const FingerTracker::Key key{int64_t(e.tfinger.touchId), int64_t(e.tfinger.fingerId)};
    // Touchscreen positions come as fractions of the window's size.
    const Point p = placement_.normalisedToPoints(e.tfinger.x, e.tfinger.y);
    if (e.type == SDL_FINGERDOWN) {
        if (!placement_.normalisedOnScreen(e.tfinger.x, e.tfinger.y)) return;
        if (auto f = fingers_.press(key)) device_->sendTouches({{*f, TouchPhase::Began, p}});
    } else if (e.type == SDL_FINGERMOTION) {
        if (auto f = fingers_.find(key)) device_->sendTouches({{*f, TouchPhase::Moved, p}});
    } else {
        if (auto f = fingers_.release(key)) device_->sendTouches({{*f, TouchPhase::Ended, p}});
    }
}

void WindowHost::handleKey(const SDL_Event& e) {
    const SDL_Keycode sym = e.key.keysym.sym;
    const SDL_Scancode code = e.key.keysym.scancode;
    const bool ctrl = (e.key.keysym.mod & KMOD_CTRL) != 0;
    if (code == SDL_SCANCODE_F12) {
        if (!e.key.repeat) saveScreenshot();
        return;
    }
    if (code == SDL_SCANCODE_F11) {
        if (!e.key.repeat) toggleFullscreen();
        return;
    }
    if (ctrl && (sym == SDLK_LEFT || sym == SDLK_RIGHT)) {
        if (e.key.repeat) return;
        device_->setOrientation(turnedOrientation(device_->orientation(), sym == SDLK_LEFT));
        return;
    }
    const bool up = code == SDL_SCANCODE_VOLUMEUP || sym == SDLK_PLUS || sym == SDLK_KP_PLUS || sym == SDLK_EQUALS;
    const bool down = code == SDL_SCANCODE_VOLUMEDOWN || sym == SDLK_MINUS || sym == SDLK_KP_MINUS;
    if ((up || down) && !e.key.repeat) device_->pressVolumeKey(up);
}

void WindowHost::present() {
    auto* screen = device_->screen();
    // Exposed or resized, the window's buffer may hold anything: draw it all.
    if (needsPresent_ && screen) screen->setNeedsComposite();
    needsPresent_ = false;
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    if (target->w != placement_.windowWidth() || target->h != placement_.windowHeight()) layOut(target->w, target->h);
    const ScreenPlacement& at = placement_;
    const SDL_Rect inside{at.x(), at.y(), at.width(), at.height()};
    const bool fits = at.x() >= 0 && at.y() >= 0 && at.x() + at.width() <= target->w && at.y() + at.height() <= target->h;
    const bool wholeWindow = barsNeedPaint_ || !fits;
    if (wholeWindow) {
        const Uint32 black = SDL_MapRGB(target->format, 0, 0, 0);
        const SDL_Rect bars[] = {{0, 0, target->w, inside.y},
                                 {0, inside.y + inside.h, target->w, target->h - inside.y - inside.h},
                                 {0, inside.y, inside.x, inside.h},
                                 {inside.x + inside.w, inside.y, target->w - inside.x - inside.w, inside.h}};
        if (fits) SDL_FillRects(target, bars, 4, black);
        else SDL_FillRect(target, nullptr, black);
        barsNeedPaint_ = false;
    }
    if (!fits) {
        SDL_UpdateWindowSurface(window_);
        return;
    }
    // The window's own buffer has our pixel layout on the usual X11 visual: draw straight into
    // it rather than into a buffer of ours and copying that over, and hand the window system
    // only what was drawn again.
    if (target->format->format == SDL_PIXELFORMAT_RGB888 && SDL_LockSurface(target) == 0) {
        auto* origin = static_cast<uint8_t*>(target->pixels) + size_t(inside.y) * size_t(target->pitch) + size_t(inside.x) * 4;
        const bool drawn = device_->compositeInto(origin, inside.w, inside.h, target->pitch);
        SDL_UnlockSurface(target);
        if (drawn) {
            const auto d = device_->lastCompositeDamage();
            if (wholeWindow) {
                SDL_UpdateWindowSurface(window_);
            } else if (!d.empty()) {
                const SDL_Rect r{inside.x + d.x, inside.y + d.y, d.width, d.height};
                SDL_UpdateWindowSurfaceRects(window_, &r, 1);
            }
            if (screen) screen->clearNeedsComposite();
            return;
        }
    }
    {
        // Anything else: compose aside and copy it all over.
        auto frame = device_->composite();
        if (!frame) {
            SDL_FillRect(target, &inside, SDL_MapRGB(target->format, 0, 0, 0));
        } else {
            // The compositor's B,G,R,X pixels are SDL's RGB888 on a little-endian machine.
            SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(frame->pixels), frame->width,
                                                                  frame->height, 32, frame->bytesPerRow,
                                                                  SDL_PIXELFORMAT_RGB888);
            if (src) {
                SDL_Rect dst = inside;
                SDL_BlitSurface(src, nullptr, target, &dst);
                SDL_FreeSurface(src);
            }
        }
    }
    SDL_UpdateWindowSurface(window_);
    if (screen) screen->clearNeedsComposite();
}

void WindowHost::saveScreenshot() {
    auto image = device_->screenshot();
    if (!image) return;
    char name[64];
    std::time_t t = std::time(nullptr);
    std::strftime(name, sizeof name, "kestrova-%Y%m%d-%H%M%S.png", std::localtime(&t));
    if (auto err = writePng(*image, name)) report_("kestrova: screenshot: " + *err);
    else report_(std::string("kestrova: screenshot saved to ") + name);
}

}  // namespace host
