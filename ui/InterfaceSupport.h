#pragma once
// Two helpers for the classes wired from interface files that show the bundle's texts.
#include "platform/foundation/Bundle.h"
#include "platform/ui/Object.h"

#include <string>

namespace kestrova {

// The main bundle's text for `key` in the user's language (the key itself when it has none).
inline std::string localized(const std::string& key) { return platform::Bundle::mainBundle().localizedString(key); }

// An outlet's object as the class it must be; null when it is another (a miswired file).
template <typename T>
T* outlet(platform::Object* object) {
    return dynamic_cast<T*>(object);
}

}  // namespace kestrova
