#pragma once
// The window host's handler for leaving the application: where the phone would have shown its
// photo album, the desktop's viewer opens the camera roll folder; a web address goes to the
// desktop's browser. Launching another application ends this one, as it did on the phone: the
// termination runs at the main run loop's next turn, after the request that caused it returns.
#include "platform/system/ApplicationServicesHandler.h"

#include <filesystem>
#include <functional>
#include <string>

namespace platform {

class DesktopLauncher final : public ApplicationServicesHandler {
public:
    // Shows a file, folder or URL on the desktop; true when a program was started for it.
    using Opener = std::function<bool(const std::string& target)>;
    using Terminate = std::function<void()>;

    static constexpr const char* kPhotoAlbumIdentifier = "com.apple.mobileslideshow-Photos";
    static constexpr const char* kCameraRollPath = "var/mobile/Media/DCIM";  // beneath the device root

    // `opener` may be empty (headless, or no desktop): nothing is shown, but the application
    // still ends on a launch. `terminate` may be empty too.
    DesktopLauncher(std::filesystem::path deviceRoot, Opener opener, Terminate terminate);

    // xdg-open, started detached, when it is installed and a display is set; empty otherwise.
    static Opener xdgOpen();

    void launchApplication(const std::string& identifier, bool suspended) override;
    void openURL(const std::string& url) override;

private:
    std::filesystem::path deviceRoot_;
    Opener opener_;
    Terminate terminate_;
};

}  // namespace platform
