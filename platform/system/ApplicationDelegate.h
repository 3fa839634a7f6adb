#pragma once
// What the platform tells the application about its life. Every method is optional.
namespace platform {

class Application;

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    // The application has started: build the screen, make the window key and visible.
    virtual void applicationDidFinishLaunching(Application& application) {}
    // Going to the background (the device locks, the window loses focus).
    virtual void applicationWillResignActive(Application& application) {}
    virtual void applicationDidBecomeActive(Application& application) {}
    // The last call before the process ends; work still queued must be finished before returning.
    virtual void applicationWillTerminate(Application& application) {}
};

}  // namespace platform
