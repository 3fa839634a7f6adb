#pragma once
// A PipeWire camera as the camera (host option `pipewire[:NAME]`): a stream from a Video/Source
// node, the one NAME names (its node.name, node.description or object.serial) or any, a node
// whose media.role is Camera first. Its mode is chosen as a webcam's is, among the formats the
// node lists. PipeWire delivers on a thread of its own, as every LiveCameraSource does.
//
// The camera is lost when its node goes, its stream fails, it sends no frame for
// Timing::stallSeconds, or the daemon goes away; it streams again as soon as a camera node is
// there (after Timing::reopenInterval when the same node failed). With no camera at start the
// synthetic one stands in, without a warning, until one appears.
#include "platform/camera/LiveCameraSource.h"

#include <memory>
#include <string>

namespace platform {

class PipeWireSource final : public LiveCameraSource {
public:
    struct Timing {
        double connectTimeout = 1;   // for the daemon's first answer, s
        double stallSeconds = 2;     // no frame for this long: lost
        double reopenInterval = 1;   // before the next attempt after a failure or a stall, s
        double settleSeconds = 0.5;  // after the first frame, on the run loop's clock
    };

    // Connects to the daemon (PIPEWIRE_REMOTE, else the usual socket) and lists its cameras. Null
    // when no daemon answers within Timing::connectTimeout, with the reason in `error` (may be
    // null). `warn` gets the line when the camera is lost (empty: stderr).
    static std::unique_ptr<PipeWireSource> open(const std::string& name, RunLoop& loop, std::string* error, Warn warn,
                                                Timing timing);
    static std::unique_ptr<PipeWireSource> open(const std::string& name, RunLoop& loop, std::string* error = nullptr,
                                                Warn warn = {}) {
        return open(name, loop, error, std::move(warn), Timing{});
    }
    // As open, over a connection to the daemon made elsewhere (the socket the desktop's camera
    // portal hands a sandboxed program), which the source owns from here on whatever happens.
    // With no way to connect again, a daemon that goes away leaves the camera lost for good.
    static std::unique_ptr<PipeWireSource> openConnected(int fd, const std::string& name, RunLoop& loop,
                                                         std::string* error, Warn warn, Timing timing);
    static std::unique_ptr<PipeWireSource> openConnected(int fd, const std::string& name, RunLoop& loop,
                                                         std::string* error, Warn warn) {
        return openConnected(fd, name, loop, error, std::move(warn), Timing{});
    }

    // Closes the stream and stops PipeWire's thread.
    ~PipeWireSource() override;

    std::string description() const override { return name_.empty() ? "pipewire" : "pipewire:" + name_; }
    // The node.name of the camera chosen at start; empty when there was none.
    const std::string& cameraAtStart() const { return atStart_; }

private:
    struct Impl;
    PipeWireSource(std::string name, RunLoop& loop, Warn warn, Timing timing);
    static std::unique_ptr<PipeWireSource> start(int fd, const std::string& name, RunLoop& loop, std::string* error,
                                                 Warn warn, Timing timing);

    const std::string name_;
    std::string atStart_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
