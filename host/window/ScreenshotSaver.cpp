#include "host/window/ScreenshotSaver.h"

#include "host/device/PngWriter.h"
#include "host/device/SimulatedDevice.h"

#include <ctime>

namespace host {

std::string ScreenshotSaver::save(SimulatedDevice& device) {
    auto image = device.screenshot();
    if (!image) return "kestrova: screenshot: nothing on screen yet";
    char name[64];
    std::time_t t = std::time(nullptr);
    std::strftime(name, sizeof name, "kestrova-%Y%m%d-%H%M%S.png", std::localtime(&t));
    if (auto err = writePng(*image, name)) return "kestrova: screenshot: " + *err;
    return std::string("kestrova: screenshot saved to ") + name;
}

}  // namespace host
