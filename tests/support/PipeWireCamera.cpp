#include "tests/support/PipeWireCamera.h"

#include <csignal>
#include <cstdio>

namespace testenv {

PipeWireCamera::~PipeWireCamera() { stop(); }

bool PipeWireCamera::start(const PipeWireDaemon& daemon, const Spec& spec) {
    if (run("gst-inspect-1.0 pipewiresink >/dev/null 2>&1").status != 0) {
        error_ = "gst-launch-1.0 with the PipeWire plugin is not installed (scripts/install-deps.sh installs it)";
        return false;
    }
    daemon_ = &daemon;
    name_ = spec.name;
    char colour[16];
    std::snprintf(colour, sizeof colour, "0x%08x", spec.argb);
    const std::string size = ",width=" + std::to_string(spec.width) + ",height=" + std::to_string(spec.height) +
                             ",framerate=30/1";
    const std::string props = "p,media.class=Video/Source,media.role=Camera,node.name=" + spec.name +
                              ",node.description=" + spec.name;
    // BT.601, as webcams send it (GStreamer's own default for HD sizes is BT.709); a JPEG made
    // from R,G,B by libjpeg itself, as JFIF has it.
    const std::string caps = spec.format == "MJPG"
                                 ? "video/x-raw,format=RGB" + size + " ! jpegenc"
                                 : "video/x-raw,format=" + spec.format + size + ",colorimetry=bt601";
    pid_ = daemon.spawnClient(std::string("gst-launch-1.0 -q videotestsrc is-live=true pattern=solid-color "
                                          "foreground-color=") + colour + " ! " + caps +
                              " ! pipewiresink mode=provide stream-properties=" + shellQuote(props));
    if (pid_ < 0 || !daemon.waitForNode(spec.name)) {
        error_ = "the camera " + spec.name + " did not appear";
        stop();
        return false;
    }
    return true;
}

void PipeWireCamera::stop() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGKILL);
    waitUntil([this] { return processGone(pid_); }, 5);
    pid_ = -1;
    if (daemon_ && daemon_->running()) daemon_->waitForNode(name_, false);
}

}  // namespace testenv
