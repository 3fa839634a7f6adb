#pragma once
// A camera of one colour on a test's PipeWire, published by a GStreamer pipeline
// (videotestsrc → pipewiresink mode=provide) as a Video/Source node:
//
//     testenv::PipeWireCamera cam;
//     ASSERT_TRUE(cam.start(pw, {.name = "cam-a", .format = "NV12"})) << cam.error();
//     cam.pause();   // no more frames (the process is stopped)
//     cam.stop();    // the node goes
#include "tests/support/PipeWireDaemon.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace testenv {

class PipeWireCamera {
public:
    struct Spec {
        std::string name;              // node.name and node.description
        std::string format = "YUY2";   // a raw format GStreamer names, or "MJPG"
        int width = 1280, height = 720, fps = 30;
        uint32_t argb = 0xff3366cc;    // the one colour, 0xAARRGGBB
        std::string role = "Camera";   // media.role; empty: none
    };

    PipeWireCamera() = default;
    ~PipeWireCamera();
    PipeWireCamera(const PipeWireCamera&) = delete;
    PipeWireCamera& operator=(const PipeWireCamera&) = delete;

    // Starts the pipeline and waits until its node is listed. False (see error()) when
    // gst-launch-1.0 or its PipeWire plugin is missing or the node did not appear in time.
    bool start(const PipeWireDaemon& daemon, const Spec& spec);
    // Ends the pipeline and waits until its node is gone.
    void stop();
    void pause();
    void resume();
    const std::string& error() const { return error_; }

private:
    const PipeWireDaemon* daemon_ = nullptr;
    std::string name_;
    pid_t pid_ = -1;
    std::string error_;
};

}  // namespace testenv
