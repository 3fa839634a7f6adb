#include "platform/ui/InterfaceContents.h"

namespace platform {

Object* InterfaceContents::objectWithId(const std::string& id) const {
    auto it = objects.find(id);
    return it == objects.end() ? nullptr : it->second;
}

View* InterfaceContents::viewWithId(const std::string& id) const {
    auto it = views.find(id);
    return it == views.end() ? nullptr : it->second;
}

std::unique_ptr<Object> InterfaceContents::takeObject(const std::string& id) {
    Object* o = objectWithId(id);
    if (!o) return nullptr;
    for (auto it = topLevelObjects.begin(); it != topLevelObjects.end(); ++it) {
        if (it->get() == o) {
            std::unique_ptr<Object> out = std::move(*it);
            topLevelObjects.erase(it);
            return out;
        }
    }
    return nullptr;
}

std::unique_ptr<View> InterfaceContents::takeView(const std::string& id) {
    if (!viewWithId(id)) return nullptr;
    std::unique_ptr<Object> o = takeObject(id);
    return std::unique_ptr<View>(static_cast<View*>(o.release()));
}

}  // namespace platform
