#pragma once
// Small pieces every client of a bus service needs: following who owns a service's name, and
// telling a missing service or a refusal from other errors.
#include <sdbus-c++/sdbus-c++.h>

#include <functional>
#include <string>

namespace platform::busnames {

// Calls `changed` on the bus thread with the name's new owner each time it changes hands; an
// empty owner means the service went away.
[[nodiscard]] sdbus::Slot watchOwner(sdbus::IConnection& bus, const std::string& name,
                                     std::function<void(const std::string& newOwner)> changed);

// The service is not on the bus (nor can the bus start it), or it left while we asked.
bool isMissing(const sdbus::Error& error);
// The service refused us.
bool isDenied(const sdbus::Error& error);

}  // namespace platform::busnames
