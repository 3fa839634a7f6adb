#include "platform/cameraui/CameraClassRegistry.h"

#include "platform/camera/CameraController.h"
#include "platform/cameraui/CameraView.h"
#include "platform/ui/ClassRegistry.h"

namespace platform {

CameraClassRegistry& CameraClassRegistry::shared() {
    static CameraClassRegistry* r = [] {
        auto* reg = new CameraClassRegistry;
        for (const char* name : {"PLCameraController", "CameraController"})
            reg->registerControllerClass(name, [] { return CameraController::sharedInstance(); });
        for (const char* name : {"PLCameraView", "CameraView"}) {
            reg->registerViewClass(name, [](const Rect& frame) { return std::make_unique<CameraView>(frame); });
            ClassRegistry::shared().registerClass<CameraView>(name);
        }
        return reg;
    }();
    return *r;
}

CameraController* CameraClassRegistry::sharedControllerOfClass(const std::string& name) const {
    auto it = controllers_.find(name);
    return it != controllers_.end() && it->second ? it->second() : nullptr;
}

std::unique_ptr<CameraView> CameraClassRegistry::createView(const std::string& name, const Rect& frame) const {
    auto it = views_.find(name);
    return it != views_.end() && it->second ? it->second(frame) : nullptr;
}

bool CameraClassRegistry::hasClass(const std::string& name) const {
    return controllers_.count(name) != 0 || views_.count(name) != 0;
}

void CameraClassRegistry::registerControllerClass(const std::string& name, ControllerClass cls) {
    controllers_[name] = std::move(cls);
}

void CameraClassRegistry::registerViewClass(const std::string& name, ViewClass cls) { views_[name] = std::move(cls); }

void CameraClassRegistry::removeClass(const std::string& name) {
    controllers_.erase(name);
    views_.erase(name);
}

}  // namespace platform
