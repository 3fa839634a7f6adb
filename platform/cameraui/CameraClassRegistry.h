#pragma once
// The camera's classes by name, the way the application binds to them: a controller class is
// its sharedInstance accessor, a view class makes a view with a frame. Built in:
// "PLCameraController" and "CameraController" (CameraController), "PLCameraView" and
// "CameraView" (CameraView). The view classes are also entered in ClassRegistry::shared() so
// interface files can name them. Main thread.
#include "platform/foundation/Geometry.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

class CameraController;
class CameraView;

class CameraClassRegistry {
public:
    using ControllerClass = std::function<CameraController*()>;
    using ViewClass = std::function<std::unique_ptr<CameraView>(const Rect& frame)>;

    // The process's registry, with the built-in classes.
    static CameraClassRegistry& shared();

    // The shared controller of the class called `name`; null when there is no such class.
    CameraController* sharedControllerOfClass(const std::string& name) const;
    // A new view of the class called `name`, with `frame`; null when there is no such class.
    std::unique_ptr<CameraView> createView(const std::string& name, const Rect& frame) const;
    bool hasClass(const std::string& name) const;

    void registerControllerClass(const std::string& name, ControllerClass cls);
    void registerViewClass(const std::string& name, ViewClass cls);
    // Forgets `name` (a platform without that class).
    void removeClass(const std::string& name);

private:
    std::map<std::string, ControllerClass> controllers_;
    std::map<std::string, ViewClass> views_;
};

}  // namespace platform
