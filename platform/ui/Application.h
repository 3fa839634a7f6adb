#pragma once
// The application object: loads the main interface file, whose file's owner it is, and tells its
// delegate about launch, activation and termination. One at a time.
#include "platform/ui/ApplicationDelegate.h"
#include "platform/ui/InterfaceContents.h"
#include "platform/ui/Object.h"

#include <memory>
#include <string>

namespace platform {

class Bundle;
class Window;

class Application : public Object {
public:
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The live application object; null when there is none.
    static Application* sharedApplication();

    // Borrowed; may be null. An interface file may set it through the "delegate" outlet.
    ApplicationDelegate* delegate() const { return delegate_; }
    void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }

    // Loads `mainInterface` ("MainWindow") from `bundle` (the main bundle when null) with this
    // object as owner and keeps its top-level objects for the life of the application; then
    // tells the delegate it finished launching and became active. False (and `error` says why)
    // when the file cannot be loaded; a second launch is refused.
    bool launch(const std::string& mainInterface, const Bundle* bundle = nullptr, std::string* error = nullptr);
    // Launch without an interface file (the delegate was set in code).
    bool launchWithoutInterface();
    bool launched() const { return launched_; }

    // The host's calls. Resign and activate do nothing when already in that state.
    void resignActive();
    void becomeActive();
    // Tells the delegate once; later calls do nothing.
    void terminate();
    bool active() const { return active_; }
    bool terminated() const { return terminated_; }

    // The key window, or the "window" outlet's window.
    Window* keyWindow() const;
    const InterfaceContents& mainInterface() const { return contents_; }

    // Outlets "delegate" (an object that is an ApplicationDelegate) and "window".
    bool setOutlet(std::string_view name, Object* object) override;

private:
    ApplicationDelegate* delegate_ = nullptr;
    Window* window_ = nullptr;
    InterfaceContents contents_;
    bool launched_ = false;
    bool active_ = false;
    bool terminated_ = false;
};

}  // namespace platform
