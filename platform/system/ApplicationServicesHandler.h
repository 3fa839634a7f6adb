#pragma once
// The host's side of leaving the application for another one: what the phone would show instead.
#include <string>

namespace platform {

class ApplicationServicesHandler {
public:
    virtual ~ApplicationServicesHandler() = default;
    // Another application is to take the screen; unless `suspended`, this one ends.
    virtual void launchApplication(const std::string& identifier, bool suspended) = 0;
    virtual void openURL(const std::string& url) = 0;
};

}  // namespace platform
