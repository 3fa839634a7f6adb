#pragma once
// What the application object tells its delegate about the life of the process.
namespace platform {

class Application;

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(Application& application) {}
    virtual void applicationWillResignActive(Application& application) {}
    virtual void applicationDidBecomeActive(Application& application) {}
    virtual void applicationWillTerminate(Application& application) {}
};

}  // namespace platform
