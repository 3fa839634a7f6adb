#include "host/window/WindowHost.h"

#include "host/device/SimulatedDevice.h"
#include "host/window/ScreenshotSaver.h"
#include "host/window/WindowSession.h"
#include "host/window/SdlRunLoopWaiter.h"
#include "host/window/X11DesktopScale.h"
#include "host/window/X11StartupNotice.h"

#include "platform/ui/ViewAnimation.h"

#include <SDL.h>
#include <SDL_syswm.h>
// Xlib, through SDL_syswm.h, defines None as a macro; our enums have a None of their own.
#undef None

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

namespace host {
namespace {

// Room left for the window's title bar until the window manager says how tall its frame is.
constexpr int kTitleBarGuess = 40;
// The screen at a quarter of its size at the least.
constexpr int kMinimumWidth = 160, kMinimumHeight = 240;
// The name the desktop knows us by: the desktop entry's, the window class's.
constexpr const char* kApplicationId = "org.kestrova.camera";

// The desktop that started us shows launch feedback until the window is up: end it, and keep the
// id from programs we start ourselves (a browser for the website), which would end it again.
void completeX11Startup(SDL_Window* window) {
    const char* id = std::getenv("DESKTOP_STARTUP_ID");
    if (!id) return;
    const std::string startup = id;
    unsetenv("DESKTOP_STARTUP_ID");
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        X11StartupNotice::complete(info.info.x11.display, startup);
}

// Starts SDL's video. Docks and task bars match the window to the desktop entry by its X11
// class, which SDL 2.26 reads from the environment only, while it starts: set for that moment,
// so that programs we start (a browser for the website) keep their own.
bool initVideo(std::string* why) {
    constexpr const char* kClassVariable = "SDL_VIDEO_X11_WMCLASS";
    const char* before = std::getenv(kClassVariable);
    const std::optional<std::string> saved = before ? std::optional<std::string>(before) : std::nullopt;
    setenv(kClassVariable, kApplicationId, 1);
    const bool started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    if (saved) setenv(kClassVariable, saved->c_str(), 1);
    else unsetenv(kClassVariable);
    if (!started && why) *why = SDL_GetError();
    return started;
}

}  // namespace

std::unique_ptr<WindowHost> WindowHost::open(const Options& options, std::string* why) {
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
    // SDL_VIDEODRIVER=wayland picked the native Wayland window, not this one; this one is X11's,
    // and X11's only: SDL would otherwise go on to its next drivers, the last of which draws where
    // nobody sees it.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    if (!initVideo(why)) return nullptr;
    // Sizes the desktop thinks of in its points: twice the pixels on a desktop of twice the size.
    const int desktopScale = X11DesktopScale::current();
    const int titleBarGuess = kTitleBarGuess * desktopScale;
    SDL_Rect usable{0, 0, 0, 0}, whole{0, 0, 0, 0};
    const bool known = SDL_GetDisplayUsableBounds(0, &usable) == 0 && SDL_GetDisplayBounds(0, &whole) == 0 &&
                       usable.w > 0 && usable.h > 0;
    const bool fullscreen = options.fullscreen || (known && startsFullScreen(whole.w, whole.h));
    double scale = options.scale.value_or(Options::kDefaultScale);
    if (!options.scale && known)
        scale = ScreenPlacement::largestFittingScale(usable.w, usable.h - titleBarGuess);
    const int w = ScreenPlacement::pixels(SimulatedDevice::kScreenWidth, scale);
    const int h = ScreenPlacement::pixels(SimulatedDevice::kScreenHeight, scale);
    int left = SDL_WINDOWPOS_CENTERED, top = SDL_WINDOWPOS_CENTERED;
    if (known && w <= usable.w && h + titleBarGuess <= usable.h) {
        left = usable.x + (usable.w - w) / 2;
        top = usable.y + titleBarGuess + (usable.h - titleBarGuess - h) / 2;
    }
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window* window = SDL_CreateWindow("Kestrova", left, top, w, h, flags);
    if (!window) {
        if (why) *why = SDL_GetError();
        SDL_Quit();
        return nullptr;
    }
    SDL_SetWindowMinimumSize(window, kMinimumWidth * desktopScale, kMinimumHeight * desktopScale);
    completeX11Startup(window);
    return std::unique_ptr<WindowHost>(new WindowHost(options, window, known && !options.scale && !fullscreen));
}

WindowHost::WindowHost(const Options& options, SDL_Window* window, bool fitToFrame)
    : options_(options), window_(window), waiter_(std::make_unique<SdlRunLoopWaiter>(window)),
      fitToFramePending_(fitToFrame) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    layOut(w, h);
}

WindowHost::~WindowHost() {
    SDL_DestroyWindow(window_);
    SDL_Quit();
}

bool WindowHost::startsFullScreen(int displayWidth, int displayHeight) {
    return displayWidth * 3 < displayHeight * 2;
}

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
    return runSession(options_, placement_.scale(), waiter_.get(), script, report);
}

void WindowHost::attach(SimulatedDevice* device) {
    device_ = device;
    input_.attach(device);
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
                case SDL_WINDOWEVENT_FOCUS_LOST: input_.focusLost(); break;
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
    if (e.type == SDL_MOUSEMOTION) {
        if (e.motion.which != SDL_TOUCH_MOUSEID) input_.pointerMove(placement_, e.motion.x, e.motion.y);
        return;
    }
    if (e.button.button != SDL_BUTTON_LEFT || e.button.which == SDL_TOUCH_MOUSEID) return;
    if (e.type == SDL_MOUSEBUTTONDOWN)
        input_.pointerDown(placement_, e.button.x, e.button.y, (SDL_GetModState() & KMOD_ALT) != 0);
    else
        input_.pointerUp(placement_, e.button.x, e.button.y);
}

void WindowHost::handleFinger(const SDL_Event& e) {
    const WindowInput::Finger finger{int64_t(e.tfinger.touchId), int64_t(e.tfinger.fingerId)};
    // Touchscreen positions come as fractions of the window's size.
    const double x = e.tfinger.x * placement_.windowWidth(), y = e.tfinger.y * placement_.windowHeight();
    if (e.type == SDL_FINGERDOWN) input_.touchDown(placement_, finger, x, y);
    else if (e.type == SDL_FINGERMOTION) input_.touchMove(placement_, finger, x, y);
    else input_.touchUp(placement_, finger, x, y);
}

void WindowHost::handleKey(const SDL_Event& e) {
    if (e.key.repeat) return;
    const SDL_Keycode sym = e.key.keysym.sym;
    const SDL_Scancode code = e.key.keysym.scancode;
    using Key = WindowInput::Key;
    Key key = Key::Other;
    if (code == SDL_SCANCODE_F11) key = Key::F11;
    else if (code == SDL_SCANCODE_F12) key = Key::F12;
    else if (sym == SDLK_LEFT) key = Key::Left;
    else if (sym == SDLK_RIGHT) key = Key::Right;
    else if (code == SDL_SCANCODE_VOLUMEUP || sym == SDLK_PLUS || sym == SDLK_KP_PLUS || sym == SDLK_EQUALS) key = Key::VolumeUp;
    else if (code == SDL_SCANCODE_VOLUMEDOWN || sym == SDLK_MINUS || sym == SDLK_KP_MINUS) key = Key::VolumeDown;
    switch (input_.keyPressed(key, (e.key.keysym.mod & KMOD_CTRL) != 0)) {
        case WindowInput::Command::ToggleFullScreen: toggleFullscreen(); break;
        case WindowInput::Command::Screenshot: saveScreenshot(); break;
        case WindowInput::Command::None: break;
    }
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

void WindowHost::saveScreenshot() { report_(ScreenshotSaver::save(*device_)); }

}  // namespace host
