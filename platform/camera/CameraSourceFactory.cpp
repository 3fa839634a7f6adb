#include "platform/camera/CameraSourceFactory.h"

#include "platform/camera/ImageFolderSource.h"
#include "platform/camera/LibV4L2Device.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/camera/V4L2Source.h"

#include <cstdio>

namespace platform {
namespace {

constexpr std::string_view kImages = "images:";
constexpr std::string_view kV4L2 = "v4l2:";

bool startsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

bool CameraSourceFactory::isValidOption(const std::string& option) {
    if (option == "synthetic") return true;
    if (startsWith(option, kImages)) return option.size() > kImages.size();
    if (startsWith(option, kV4L2)) return option.size() > kV4L2.size();
    return false;
}

std::unique_ptr<CameraSource> CameraSourceFactory::create(const std::string& option, const Clock& clock,
                                                          RunLoop& loop, Warn warn, DeviceMaker makeDevice) {
    if (!warn) warn = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    std::string reason;
    if (startsWith(option, kImages) && option.size() > kImages.size()) {
        if (auto src = ImageFolderSource::open(option.substr(kImages.size()))) return src;
        reason = "no photo that can be read";
    } else if (startsWith(option, kV4L2) && option.size() > kV4L2.size()) {
        auto device = makeDevice ? makeDevice() : std::make_unique<LibV4L2Device>();
        if (auto src = V4L2Source::open(std::move(device), option.substr(kV4L2.size()), loop, &reason)) return src;
    } else if (option != "synthetic" && !option.empty()) {
        reason = "unknown camera";
    }
    if (!reason.empty())
        warn("warning: camera " + option + " cannot be opened (" + reason + "); using the synthetic camera");
    return std::make_unique<SyntheticSource>(clock);
}

}  // namespace platform
