#include "tests/support/PipeWireCamera.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

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
    const bool mjpg = spec.format == "MJPG";
    const std::string size = ",width=" + std::to_string(spec.width) + ",height=" + std::to_string(spec.height) +
                             ",framerate=" + std::to_string(spec.fps) + "/1";
    std::string props = "p,media.class=Video/Source,node.name=" + spec.name + ",node.description=" + spec.name;
    if (!spec.role.empty()) props += ",media.role=" + spec.role;
    std::vector<std::string> args{"gst-launch-1.0", "-q", "videotestsrc", "is-live=true", "pattern=solid-color",
                                  std::string("foreground-color=") + colour, "!"};
    // BT.601, as webcams send it (GStreamer's own default for HD sizes is BT.709); a JPEG made
    // from R,G,B by libjpeg itself, as JFIF has it.
    args.push_back(mjpg ? "video/x-raw,format=RGB" + size : "video/x-raw,format=" + spec.format + size + ",colorimetry=bt601");
    args.push_back("!");
    if (mjpg)
        for (const char* a : {"jpegenc", "!"}) args.push_back(a);
    for (const char* a : {"pipewiresink", "mode=provide"}) args.push_back(a);
    args.push_back("stream-properties=" + props);

    // Everything the child needs is built before fork.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var(*e);
        const std::string name = var.substr(0, var.find('='));
        if (name == "PIPEWIRE_REMOTE" || name == "XDG_RUNTIME_DIR" || name == "PIPEWIRE_RUNTIME_DIR") continue;
        env.push_back(var);
    }
    for (const auto& [name, value] : daemon.environment()) env.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (pid_ < 0 || !daemon.waitForNode(spec.name)) {
        error_ = "the camera " + spec.name + " did not appear";
        stop();
        return false;
    }
    return true;
}

void PipeWireCamera::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGCONT);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    if (daemon_ && daemon_->running()) daemon_->waitForNode(name_, false);
}

void PipeWireCamera::pause() {
    if (pid_ > 0) kill(pid_, SIGSTOP);
}

void PipeWireCamera::resume() {
    if (pid_ > 0) kill(pid_, SIGCONT);
}

}  // namespace testenv
