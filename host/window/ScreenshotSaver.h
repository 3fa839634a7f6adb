#pragma once
// F12 in a window: the screen as the user sees it, saved as kestrova-YYYYMMDD-HHMMSS.png in the
// current folder.
#include <string>

namespace host {

class SimulatedDevice;

class ScreenshotSaver {
public:
    // The line to report: where it went, or why it did not.
    static std::string save(SimulatedDevice& device);
};

}  // namespace host
