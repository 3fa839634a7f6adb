#pragma once
// The application object: one per process, made by the host with the application's delegate.
// The host drives the life cycle (launch, resign, activate, terminate); the application asks it
// for the system services a phone offers — starting another application, opening a web address,
// the on-screen volume display — which the host carries out and the event log records.
#include "platform/system/ApplicationDelegate.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Application {
public:
    enum class State { NotRunning, Active, Inactive, Terminated };

    explicit Application(std::unique_ptr<ApplicationDelegate> delegate);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The process's application; null before the host made one.
    static Application* sharedApplication();

    ApplicationDelegate* delegate() const { return delegate_.get(); }  // may be null
    State state() const { return state_; }

    // --- Life cycle, called by the host. Each happens once and in order; others are ignored. ---
    void finishLaunching();
    void resignActive();
    void becomeActive();
    // Runs the delegate's termination, then logs "terminate".
    void terminate();

    // --- System services for the application ---
    // Logs "launch IDENTIFIER" and hands it to the host (which may end this application).
    bool launchApplicationWithIdentifier(const std::string& identifier, bool suspended);
    // Logs "open-url URL" and hands it to the host.
    bool openURL(const std::string& url);
    void setSystemVolumeHUDEnabled(bool enabled);
    bool systemVolumeHUDEnabled() const { return volumeHUDEnabled_; }

    // --- For the host ---
    // Called after the log line, on the main thread; empty: nothing more happens.
    void setLaunchHandler(std::function<void(const std::string& identifier)> handler) { onLaunch_ = std::move(handler); }
    void setOpenURLHandler(std::function<void(const std::string& url)> handler) { onOpenURL_ = std::move(handler); }

private:
    std::unique_ptr<ApplicationDelegate> delegate_;
    State state_ = State::NotRunning;
    bool volumeHUDEnabled_ = true;
    std::function<void(const std::string&)> onLaunch_;
    std::function<void(const std::string&)> onOpenURL_;
};

}  // namespace platform
