#pragma once
// What loading an interface file gives back: the top-level objects (owned by the caller), and
// every object by its id in the file.
#include "platform/ui/Object.h"
#include "platform/ui/View.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct InterfaceContents {
    // In file order. Views among them own their subviews.
    std::vector<std::unique_ptr<Object>> topLevelObjects;
    // Every object of the file by id (borrowed; alive while its owner is).
    std::map<std::string, Object*> objects;
    std::map<std::string, View*> views;

    Object* objectWithId(const std::string& id) const;
    View* viewWithId(const std::string& id) const;
    // Hands over the top-level object `id`; null when it is not a top-level object.
    std::unique_ptr<Object> takeObject(const std::string& id);
    // The same for a top-level view.
    std::unique_ptr<View> takeView(const std::string& id);
};

}  // namespace platform
