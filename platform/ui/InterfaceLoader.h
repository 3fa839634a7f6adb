#pragma once
// Loads interface files: JSON descriptions of objects and view trees.
//
//   {
//     "objects": [
//       { "class": "Window", "id": "window", "properties": { "frame": [0, 0, 320, 480] },
//         "subviews": [
//           { "class": "Button", "id": "infoButton", "properties": { "frame": [...], "title": "i" } }
//         ] },
//       { "class": "KestrovaAppDelegate", "id": "delegate" }
//     ],
//     "outlets": [ { "from": "owner", "name": "window", "to": "window" },
//                  { "from": "snapButton", "name": "delegate", "to": "delegate" } ],
//     "actions": [ { "from": "infoButton", "event": "touchUpInside", "to": "owner",
//                    "action": "gotoInfoPage" } ]
//   }
//
// "owner" names the file's owner, given by the caller. Objects are made by class name through
// the ClassRegistry and get their properties in file order; a view's id is also its name (for
// scripts), unless a "name" property says otherwise. Then outlets are connected, actions wired
// (the sender's connectAction with the target's actionNamed), and finally every object made
// gets awakeFromNib once, in file order, parents before their subviews.
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/InterfaceContents.h"

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

class Bundle;

class InterfaceLoader {
public:
    // "MainWindow" -> MainWindow.json from `bundle` (the main bundle when null).
    static std::optional<InterfaceContents> loadNamed(const std::string& name, Object* owner,
                                                      const Bundle* bundle = nullptr,
                                                      std::string* error = nullptr,
                                                      const ClassRegistry& registry = ClassRegistry::shared());
    static std::optional<InterfaceContents> loadFile(const std::filesystem::path& path, Object* owner,
                                                     std::string* error = nullptr,
                                                     const ClassRegistry& registry = ClassRegistry::shared());
    // Nothing (and `error` says why) for malformed JSON, an unknown class, a view class where
    // a subview is not a view, a duplicate id, or an outlet or action naming an unknown id.
    // Unknown property names, outlet names and action names are ignored.
    static std::optional<InterfaceContents> loadString(const std::string& json, Object* owner,
                                                       std::string* error = nullptr,
                                                       const ClassRegistry& registry = ClassRegistry::shared());
};

}  // namespace platform
