#include "host/window/WindowInput.h"

#include "host/device/SimulatedDevice.h"

#include <vector>

namespace host {
namespace {

using platform::Point;
using platform::TouchInput;
using platform::TouchPhase;

// The pointer's fingers keep numbers of their own, so a touchscreen can be used at the same time.
constexpr int kPointerFinger = 8;
constexpr int kPinchFinger = 9;

}  // namespace

WindowInput::WindowInput() {
    fingers_.reserve(kPointerFinger, true);
    fingers_.reserve(kPinchFinger, true);
}

platform::DeviceOrientation WindowInput::turnedOrientation(platform::DeviceOrientation current, bool left) {
    using platform::DeviceOrientation;
    // Quarter turns to the left, in order.
    static constexpr DeviceOrientation ring[] = {DeviceOrientation::Portrait, DeviceOrientation::LandscapeLeft,
                                                 DeviceOrientation::PortraitUpsideDown,
                                                 DeviceOrientation::LandscapeRight};
    int i = 0;
    for (int k = 0; k < 4; ++k)
        if (ring[k] == current) i = k;
    return ring[(i + (left ? 1 : 3)) % 4];
}

Point WindowInput::mirrored(Point p) {
    return {SimulatedDevice::kScreenWidth - p.x, SimulatedDevice::kScreenHeight - p.y};
}

void WindowInput::pointerDown(const ScreenPlacement& at, double x, double y, bool alt) {
    // The bars are no part of the phone.
    if (!device_ || pointerDown_ || !at.onScreen(x, y)) return;
    pointerDown_ = true;
    pinch_ = alt;
    const Point p = at.toPoints(x, y);
    std::vector<TouchInput> in{{kPointerFinger, TouchPhase::Began, p}};
    if (pinch_) in.push_back({kPinchFinger, TouchPhase::Began, mirrored(p)});
    device_->sendTouches(in);
}

void WindowInput::pointerMove(const ScreenPlacement& at, double x, double y) {
    if (!device_ || !pointerDown_) return;
    const Point p = at.toPoints(x, y);
    std::vector<TouchInput> in{{kPointerFinger, TouchPhase::Moved, p}};
    if (pinch_) in.push_back({kPinchFinger, TouchPhase::Moved, mirrored(p)});
    device_->sendTouches(in);
}

void WindowInput::pointerUp(const ScreenPlacement& at, double x, double y) {
    if (!device_ || !pointerDown_) return;
    const Point p = at.toPoints(x, y);
    std::vector<TouchInput> in{{kPointerFinger, TouchPhase::Ended, p}};
    if (pinch_) in.push_back({kPinchFinger, TouchPhase::Ended, mirrored(p)});
    pointerDown_ = pinch_ = false;
    device_->sendTouches(in);
}

void WindowInput::touchDown(const ScreenPlacement& at, Finger finger, double x, double y) {
    if (!device_ || !at.onScreen(x, y)) return;
    if (auto f = fingers_.press(finger)) device_->sendTouches({{*f, TouchPhase::Began, at.toPoints(x, y)}});
}

void WindowInput::touchMove(const ScreenPlacement& at, Finger finger, double x, double y) {
    if (!device_) return;
    if (auto f = fingers_.find(finger)) device_->sendTouches({{*f, TouchPhase::Moved, at.toPoints(x, y)}});
}

void WindowInput::touchUp(const ScreenPlacement& at, Finger finger, double x, double y) {
    if (!device_) return;
    if (auto f = fingers_.release(finger)) device_->sendTouches({{*f, TouchPhase::Ended, at.toPoints(x, y)}});
}

void WindowInput::touchCancel() {
    const auto all = fingers_.releaseAll();
    if (!device_) return;
    for (int f : all) device_->liftFinger(f, true);
}

void WindowInput::focusLost() {
    pointerDown_ = pinch_ = false;
    fingers_.releaseAll();
    if (device_) device_->resignActive();
}

WindowInput::Command WindowInput::keyPressed(Key key, bool ctrl) {
    switch (key) {
        case Key::F11: return Command::ToggleFullScreen;
        case Key::F12: return Command::Screenshot;
        case Key::Left:
        case Key::Right:
            if (ctrl && device_) device_->setOrientation(turnedOrientation(device_->orientation(), key == Key::Left));
            return Command::None;
        case Key::VolumeUp:
        case Key::VolumeDown:
            if (device_) device_->pressVolumeKey(key == Key::VolumeUp);
            return Command::None;
        case Key::Other: return Command::None;
    }
    return Command::None;
}

}  // namespace host
