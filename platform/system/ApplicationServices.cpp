#include "platform/system/ApplicationServices.h"

#include "platform/foundation/EventLog.h"
#include "platform/system/ApplicationServicesHandler.h"

#include <algorithm>
#include <atomic>
#include <cctype>

namespace platform {
namespace {

std::atomic<ApplicationServices*> gShared{nullptr};

// One token of printable ASCII, so an event-log line stays one line and one field.
bool isToken(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

bool isAbsoluteUrl(const std::string& s) {
    if (!isToken(s)) return false;
    size_t colon = s.find(':');
    if (colon == 0 || colon == std::string::npos || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.begin() + colon, [](unsigned char c) {
        return std::isalnum(c) || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

ApplicationServices& ApplicationServices::shared() {
    if (ApplicationServices* s = gShared.load(std::memory_order_acquire)) return *s;
    static ApplicationServices* processWide = new ApplicationServices();  // never destroyed
    return *processWide;
}

void ApplicationServices::setShared(ApplicationServices* services) {
    gShared.store(services, std::memory_order_release);
}

bool ApplicationServices::launchApplicationWithIdentifier(const std::string& identifier, bool suspended) {
    if (!isToken(identifier)) return false;
    EventLog::log("launch " + identifier);
    if (handler_) handler_->launchApplication(identifier, suspended);
    return true;
}

bool ApplicationServices::openURL(const std::string& url) {
    if (!isAbsoluteUrl(url)) return false;
    EventLog::log("open-url " + url);
    if (handler_) handler_->openURL(url);
    return true;
}

}  // namespace platform
