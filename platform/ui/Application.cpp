#include "platform/ui/Application.h"

#include "platform/ui/InterfaceLoader.h"
#include "platform/ui/Window.h"

#include <cassert>

namespace platform {
namespace {
Application* gShared = nullptr;
}

Application::Application() {
    assert(!gShared && "one application object at a time");
    gShared = this;
}

Application::~Application() {
    if (gShared == this) gShared = nullptr;
    // Objects of the interface file go in reverse order: the delegate before the window it uses.
    while (!contents_.topLevelObjects.empty()) contents_.topLevelObjects.pop_back();
}

Application* Application::sharedApplication() { return gShared; }

bool Application::launch(const std::string& mainInterface, const Bundle* bundle, std::string* error) {
    if (launched_ || terminated_) {
        if (error) *error = "already launched";
        return false;
    }
    auto contents = InterfaceLoader::loadNamed(mainInterface, this, bundle, error);
    if (!contents) return false;
    contents_ = std::move(*contents);
    return launchWithoutInterface();
}

bool Application::launchWithoutInterface() {
    if (launched_ || terminated_) return false;
    launched_ = true;
    if (delegate_) delegate_->applicationDidFinishLaunching(*this);
    becomeActive();
    return true;
}

void Application::resignActive() {
    if (!active_ || terminated_) return;
    active_ = false;
    if (delegate_) delegate_->applicationWillResignActive(*this);
}

void Application::becomeActive() {
    if (active_ || terminated_ || !launched_) return;
    active_ = true;
    if (delegate_) delegate_->applicationDidBecomeActive(*this);
}

void Application::terminate() {
    if (terminated_) return;
    terminated_ = true;
    active_ = false;
    if (delegate_ && launched_) delegate_->applicationWillTerminate(*this);
}

Window* Application::keyWindow() const {
    if (Window* w = Window::keyWindow()) return w;
    return window_;
}

bool Application::setOutlet(std::string_view name, Object* object) {
    if (name == "delegate") {
        // The delegate is any object that also takes the delegate's role.
        delegate_ = dynamic_cast<ApplicationDelegate*>(object);
        return delegate_ != nullptr || object == nullptr;
    }
    if (name == "window") {
        window_ = dynamic_cast<Window*>(object);
        return window_ != nullptr || object == nullptr;
    }
    return false;
}

}  // namespace platform
