#pragma once
// The root of everything an interface file can create. C++ has no reflection, so an object
// names its own outlets and actions: the interface loader connects them through these calls.
#include <functional>
#include <string>
#include <string_view>

namespace platform {

class InterfaceValue;
class Object;

// An action as the loader hands it to a sender: call it with the sender.
using Action = std::function<void(Object* sender)>;

// One target/action connection from an interface file.
struct ActionConnection {
    Object* target = nullptr;         // may be null (the file's owner was not given)
    std::string action;               // the method's name, e.g. "showHideAction"
    Action fn;                        // what calling the action means
    std::string event = "touchUpInside";  // the control event that sends it
};

class Object {
public:
    virtual ~Object() = default;

    // Sets a property named in an interface file. Returns false for a name the class does not
    // know (the loader ignores it). Subclasses handle their keys and pass the rest to their base.
    virtual bool setProperty(std::string_view key, const InterfaceValue& value) { return false; }
    // Connects the outlet `name` to `object` (borrowed; may be null). Returns false for a name the
    // object does not know, which the loader ignores.
    virtual bool setOutlet(std::string_view name, Object* object) { return false; }
    // The action method `name` of this object as a callable, or an empty function when unknown.
    virtual Action actionNamed(std::string_view name) { return {}; }
    // Wires an action that this object sends (controls). Returns false when it sends none.
    virtual bool connectAction(const ActionConnection& connection) { return false; }
    // Sent once by the interface loader after every object of the file is connected.
    virtual void awakeFromNib() {}
};

}  // namespace platform
