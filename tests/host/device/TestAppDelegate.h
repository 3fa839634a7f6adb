#pragma once
// A stand-in application for host tests: a window with
// a title label and one button. Pressing the button logs "demo tap" and counts on the label, so
// scripts and window tests can see input arrive.
#include "platform/ui/ApplicationDelegate.h"
#include "platform/ui/Window.h"

#include <memory>

namespace platform {
class Button;
class Label;
}  // namespace platform

namespace host {

class TestAppDelegate final : public platform::ApplicationDelegate {
public:
    void applicationDidFinishLaunching(platform::Application& application) override;

    platform::Window* window() const { return window_.get(); }
    int taps() const { return taps_; }

private:
    void tapped();

    std::unique_ptr<platform::Window> window_;
    platform::Label* label_ = nullptr;
    int taps_ = 0;
};

}  // namespace host
