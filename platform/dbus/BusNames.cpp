#include "platform/dbus/BusNames.h"

namespace platform::busnames {

sdbus::Slot watchOwner(sdbus::IConnection& bus, const std::string& name,
                       std::function<void(const std::string& newOwner)> changed) {
    const std::string rule =
        "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
        "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='" + name + "'";
    return bus.addMatch(rule, [name, changed = std::move(changed)](sdbus::Message& m) {
        std::string which, oldOwner, newOwner;
        try {
            m >> which >> oldOwner >> newOwner;
        } catch (const sdbus::Error&) {
            return;
        }
        if (which == name) changed(newOwner);
    });
}

bool isMissing(const sdbus::Error& error) {
    const std::string& n = error.getName();
    return n == "org.freedesktop.DBus.Error.ServiceUnknown" || n == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
           n == "org.freedesktop.DBus.Error.NoReply" || n == "org.freedesktop.DBus.Error.Disconnected" ||
           n == "org.freedesktop.DBus.Error.UnknownObject" || n == "org.freedesktop.DBus.Error.UnknownMethod" ||
           n == "org.freedesktop.DBus.Error.Spawn.ServiceNotFound";
}

bool isDenied(const sdbus::Error& error) {
    const std::string& n = error.getName();
    return n == "org.freedesktop.DBus.Error.AccessDenied" || n == "org.freedesktop.DBus.Error.AuthFailed" ||
           n == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired";
}

}  // namespace platform::busnames
