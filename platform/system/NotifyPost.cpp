#include "platform/system/NotifyPost.h"

#include "platform/foundation/EventLog.h"

#include <algorithm>

namespace platform {

bool notifyPost(const std::string& name) {
    if (name.empty() ||
        !std::all_of(name.begin(), name.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; }))
        return false;
    EventLog::log("notify " + name);
    return true;
}

}  // namespace platform
