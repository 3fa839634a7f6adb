#include "platform/camera/CameraSourceFactory.h"

#include "platform/camera/ImageFolderSource.h"
#include "platform/camera/LibV4L2Device.h"
#include "platform/camera/PipeWireSource.h"
#include "platform/camera/PortalCameraSource.h"
#include "platform/camera/SyntheticSource.h"
#include "platform/camera/V4L2Source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace platform {
namespace {

constexpr std::string_view kImages = "images:";
constexpr std::string_view kV4L2 = "v4l2:";
constexpr std::string_view kPipeWire = "pipewire";

bool startsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

bool CameraSourceFactory::isValidOption(const std::string& option) {
    if (option == "synthetic" || option == "auto") return true;
    if (startsWith(option, kImages)) return option.size() > kImages.size();
    if (startsWith(option, kV4L2)) return option.size() > kV4L2.size();
    if (option == kPipeWire) return true;
    if (startsWith(option, std::string(kPipeWire) + ":")) return option.size() > kPipeWire.size() + 1;
    return false;
}

std::vector<std::string> CameraSourceFactory::videoNodes(const std::string& dir) {
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= 5 || name.compare(0, 5, "video") != 0) continue;
        if (!std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        if (name.size() > 12) continue;
        found.emplace_back(std::stol(name.substr(5)), it->path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

std::unique_ptr<CameraSource> CameraSourceFactory::create(const std::string& option, const Clock& clock,
                                                          RunLoop& loop, Warn warn) {
    return create(option, clock, loop, std::move(warn), Hardware{});
}

std::unique_ptr<CameraSource> CameraSourceFactory::create(const std::string& option, const Clock& clock,
                                                          RunLoop& loop, Warn warn, const Hardware& hardware) {
    if (!warn) warn = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    auto makeDevice = [&]() -> std::unique_ptr<VideoDevice> {
        if (hardware.makeDevice) return hardware.makeDevice();
        return std::make_unique<LibV4L2Device>();
    };
    std::string reason;
    const bool pipeWireNamed = option == kPipeWire || startsWith(option, std::string(kPipeWire) + ":");
    const bool autoInWindow = (option == "auto" || option.empty()) && hardware.windowShown;
    std::error_code ec;
    if ((pipeWireNamed || autoInWindow) && !hardware.sandboxMarker.empty() &&
        std::filesystem::exists(hardware.sandboxMarker, ec)) {
        const std::string name = pipeWireNamed && option.size() > kPipeWire.size() ? option.substr(kPipeWire.size() + 1) : "";
        return std::make_unique<PortalCameraSource>(name, clock, loop, warn, hardware.sessionBus);
    }
    if (option == "auto" || option.empty()) {
        if (!hardware.windowShown) return std::make_unique<SyntheticSource>(clock);
        std::unique_ptr<PipeWireSource> pipeWire;
        if (hardware.pipeWire) pipeWire = PipeWireSource::open("", loop, nullptr, warn);
        if (pipeWire && !pipeWire->cameraAtStart().empty()) return pipeWire;
        const auto nodes = hardware.listDevices ? hardware.listDevices() : videoNodes();
        std::string refused;  // the first node that would not even say what it is
        for (const auto& node : nodes) {
            // The first node that is a capture device is the camera, working or not.
            auto probe = makeDevice();
            if (!probe->open(node)) {
                const int e = probe->lastErrorNumber();
                if (refused.empty() && (e == EACCES || e == EPERM || e == EBUSY))
                    refused = "warning: camera v4l2:" + node + " cannot be opened (" + probe->lastError() +
                              "); using the synthetic camera";
                continue;
            }
            probe->close();
            if (auto src = V4L2Source::open(std::move(probe), node, loop, &reason, warn)) return src;
            warn("warning: camera v4l2:" + node + " cannot be opened (" + reason + "); using the synthetic camera");
            return std::make_unique<SyntheticSource>(clock);
        }
        if (pipeWire) {
            warn("camera: no camera found; using the synthetic camera until a PipeWire camera appears");
            return pipeWire;
        }
        warn(refused.empty() ? "camera: no webcam found; using the synthetic camera" : refused);
        return std::make_unique<SyntheticSource>(clock);
    }
    if (startsWith(option, kImages) && option.size() > kImages.size()) {
        if (auto src = ImageFolderSource::open(option.substr(kImages.size()), &reason, &loop)) return src;
    } else if (startsWith(option, kV4L2) && option.size() > kV4L2.size()) {
        if (auto src = V4L2Source::open(makeDevice(), option.substr(kV4L2.size()), loop, &reason, warn)) return src;
    } else if (pipeWireNamed) {
        const std::string name = option.size() > kPipeWire.size() ? option.substr(kPipeWire.size() + 1) : "";
        if (auto src = PipeWireSource::open(name, loop, &reason, warn)) {
            if (src->cameraAtStart().empty())
                warn("camera: " + option + " not found yet; using the synthetic camera until it appears");
            return src;
        }
    } else if (option != "synthetic") {
        reason = "unknown camera";
    }
    if (!reason.empty())
        warn("warning: camera " + option + " cannot be opened (" + reason + "); using the synthetic camera");
    return std::make_unique<SyntheticSource>(clock);
}

}  // namespace platform
