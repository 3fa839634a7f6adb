#include "platform/system/Application.h"

#include "platform/foundation/EventLog.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<Application*> gShared{nullptr};
}

Application::Application(std::unique_ptr<ApplicationDelegate> delegate) : delegate_(std::move(delegate)) {
    gShared.store(this);
}

Application::~Application() {
    Application* self = this;
    gShared.compare_exchange_strong(self, nullptr);
}

Application* Application::sharedApplication() { return gShared.load(); }

void Application::finishLaunching() {
    if (state_ != State::NotRunning) return;
    state_ = State::Active;
    if (delegate_) delegate_->applicationDidFinishLaunching(*this);
}

void Application::resignActive() {
    if (state_ != State::Active) return;
    state_ = State::Inactive;
    if (delegate_) delegate_->applicationWillResignActive(*this);
}

void Application::becomeActive() {
    if (state_ != State::Inactive) return;
    state_ = State::Active;
    if (delegate_) delegate_->applicationDidBecomeActive(*this);
}

void Application::terminate() {
    if (state_ == State::NotRunning || state_ == State::Terminated) return;
    state_ = State::Terminated;
    if (delegate_) delegate_->applicationWillTerminate(*this);
    EventLog::log("terminate");
}

bool Application::launchApplicationWithIdentifier(const std::string& identifier, bool suspended) {
    EventLog::log("launch " + identifier);
    if (onLaunch_) onLaunch_(identifier);
    return true;
}

bool Application::openURL(const std::string& url) {
    EventLog::log("open-url " + url);
    if (onOpenURL_) onOpenURL_(url);
    return true;
}

void Application::setSystemVolumeHUDEnabled(bool enabled) { volumeHUDEnabled_ = enabled; }

}  // namespace platform
