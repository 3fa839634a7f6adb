#pragma once
// Asks the system for another application: launch one by its identifier, or open a web address.
// Each request is logged ("launch com.apple.mobileslideshow-Photos", "open-url URL") and handed
// to the host's handler. Main thread.
#include <string>

namespace platform {

class ApplicationServicesHandler;

class ApplicationServices {
public:
    // The installed services, else a process-wide one.
    static ApplicationServices& shared();
    // Null goes back to the process-wide one. The services must outlive their installation.
    static void setShared(ApplicationServices* services);

    ApplicationServicesHandler* handler() const { return handler_; }
    void setHandler(ApplicationServicesHandler* handler) { handler_ = handler; }  // may be null: logged only

    // False, with nothing logged or launched, for an empty identifier or one with spaces or
    // control characters.
    bool launchApplicationWithIdentifier(const std::string& identifier, bool suspended);
    // False, likewise, for text that is not an absolute URL ("scheme:...", no spaces or controls).
    bool openURL(const std::string& url);

private:
    ApplicationServicesHandler* handler_ = nullptr;  // may be null
};

}  // namespace platform
