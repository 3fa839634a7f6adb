#pragma once
// A private PipeWire for a test: `pipewire` and `wireplumber` under their own `dbus-run-session`,
// with their own XDG_RUNTIME_DIR, configuration and state folders, so nothing of the machine's
// sound or video service is seen or changed. WirePlumber's ALSA, Bluetooth, V4L2 and libcamera
// monitors are off: the daemon has no device but what a test creates (a null sink, a camera
// published by a GStreamer pipeline), whatever hardware the machine has.
//
//     testenv::PipeWireDaemon pw;
//     if (!pw.start()) {
//         if (pw.missing()) GTEST_SKIP() << pw.error();  // only a missing program skips
//         FAIL() << pw.error();
//     }
//     ASSERT_TRUE(pw.createNullSink());                    // an audio output, if the test wants one
//     testenv::run(pw.envPrefix() + " " + kestrovaBinary() + " ...");  // a client of this daemon
//     pw.stop();                                           // or let the destructor do it
#include "tests/support/TestEnv.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testenv {

class PipeWireDaemon {
public:
    PipeWireDaemon() = default;
    ~PipeWireDaemon();
    PipeWireDaemon(const PipeWireDaemon&) = delete;
    PipeWireDaemon& operator=(const PipeWireDaemon&) = delete;

    // Starts the daemons and waits (up to `deadline`) until PipeWire answers and WirePlumber has
    // published its "default" metadata. False, with error() saying why, when a program is not
    // installed (missing()), the session ended, or the daemon did not come up in time. The
    // deadline is long: a loaded machine is slow, and only a daemon that never answers fails.
    bool start(std::chrono::milliseconds deadline = std::chrono::seconds(60));
    // Whether start() failed because a program is not installed (the only reason to skip).
    bool missing() const { return missing_; }
    // Ends every process started by start() and waits for the session to go; the runtime folder
    // stays until the object goes, so a client sees a daemon that went away, not a missing one.
    void stop();
    bool running() const { return pid_ > 0; }
    // Stops (SIGSTOP) or resumes (SIGCONT) the daemons: a server that does not answer.
    void freeze();
    void thaw();

    // Environment a client of this daemon needs, as NAME=VALUE pairs, and the same as a shell
    // prefix ("env XDG_RUNTIME_DIR='…' PIPEWIRE_RUNTIME_DIR='…' -u PIPEWIRE_REMOTE …").
    std::vector<std::pair<std::string, std::string>> environment() const;
    std::string envPrefix() const;
    // Runs a shell command line as a client of this daemon (each command under `timeout`).
    CommandResult run(const std::string& commandLine, int timeoutSeconds = 5) const;

    // Creates a null audio sink named `name` (lingering after pw-cli ends) and waits until it is
    // listed and WirePlumber has made an audio sink the default.
    bool createNullSink(const std::string& name = "test-sink",
                        std::chrono::milliseconds deadline = std::chrono::seconds(10));
    // Waits until a node with node.name `name` is listed, or is gone when `present` is false.
    bool waitForNode(const std::string& name, bool present = true,
                     std::chrono::milliseconds deadline = std::chrono::seconds(30)) const;

    const std::filesystem::path& runtimeDir() const { return runtimeDir_; }
    // Why start() failed, with the daemons' own output.
    const std::string& error() const { return error_; }
    // What the daemons printed so far.
    std::string log() const;

private:
    bool waitUntil(const std::string& probe, const std::string& expected,
                   std::chrono::milliseconds deadline) const;

    ScratchDir dir_;
    std::filesystem::path runtimeDir_;
    pid_t pid_ = -1;
    bool missing_ = false;
    std::string error_;
};

}  // namespace testenv
