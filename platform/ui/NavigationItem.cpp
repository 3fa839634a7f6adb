#include "platform/ui/NavigationItem.h"

#include "platform/ui/InterfaceValue.h"

namespace platform {

bool NavigationItem::setProperty(std::string_view key, const InterfaceValue& value) {
    if (key == "title") {
        if (auto t = value.asString()) title_ = *t;
        return true;
    }
    if (key == "hidesBackButton") {
        if (auto b = value.asBool()) hidesBackButton_ = *b;
        return true;
    }
    return false;
}

bool NavigationItem::setOutlet(std::string_view name, Object* object) {
    std::shared_ptr<BarButtonItem>* slot = name == "leftBarButtonItem"    ? &left_
                                           : name == "rightBarButtonItem" ? &right_
                                           : name == "backBarButtonItem"  ? &back_
                                                                          : nullptr;
    if (!slot) return false;
    auto* item = dynamic_cast<BarButtonItem*>(object);
    // Not owned: objects of an interface file belong to the file's owner.
    *slot = item ? std::shared_ptr<BarButtonItem>(std::shared_ptr<void>(), item) : nullptr;
    return true;
}

}  // namespace platform
