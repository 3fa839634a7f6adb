#include "tests/support/PipeWireDaemon.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testenv {
namespace {

using Clock = std::chrono::steady_clock;

bool haveProgram(const std::string& name) { return run("command -v " + name + " >/dev/null").status == 0; }

// Waits for `pid` to end, up to `deadline`; true when it did (and was reaped).
bool reap(pid_t pid, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    for (;;) {
        int st = 0;
        pid_t r = waitpid(pid, &st, WNOHANG);
        if (r == pid || r < 0) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

PipeWireDaemon::~PipeWireDaemon() { stop(); }

bool PipeWireDaemon::start(std::chrono::milliseconds deadline) {
    if (running()) return true;
    for (const char* p : {"dbus-run-session", "pipewire", "wireplumber", "pw-cli", "timeout"}) {
        if (!haveProgram(p)) {
            missing_ = true;
            error_ = std::string(p) + " is not installed (scripts/install-deps.sh installs it)";
            return false;
        }
    }
    namespace fs = std::filesystem;
    runtimeDir_ = dir_ / "run";
    const fs::path config = dir_ / "config", state = dir_ / "state";
    fs::create_directories(runtimeDir_);
    fs::permissions(runtimeDir_, fs::perms::owner_all, fs::perm_options::replace);
    // Files named after the packaged ones' numbers load after them and override their switches.
    writeFile(config / "wireplumber/main.lua.d/51-test-no-devices.lua",
              "alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n");
    writeFile(config / "wireplumber/bluetooth.lua.d/51-test-no-devices.lua", "bluez_monitor.enabled = false\n");
    fs::create_directories(state);

    // Everything the child needs is built before fork: only exec-safe calls run in between.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var(*e);
        const std::string name = var.substr(0, var.find('='));
        if (name == "XDG_RUNTIME_DIR" || name == "XDG_CONFIG_HOME" || name == "XDG_STATE_HOME" ||
            name == "PIPEWIRE_RUNTIME_DIR" || name == "PIPEWIRE_REMOTE" || name == "DBUS_SESSION_BUS_ADDRESS")
            continue;
        env.push_back(var);
    }
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir_.string());
    env.push_back("XDG_CONFIG_HOME=" + config.string());
    env.push_back("XDG_STATE_HOME=" + state.string());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string logPath = (dir_ / "daemon.log").string();
    // WirePlumber gives up at once when PipeWire is not listening yet (on a loaded machine it
    // often is not): it starts once the socket is there.
    const char* argv[] = {"dbus-run-session", "--", "sh", "-c",
                          "pipewire & until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.05; done; "
                          "wireplumber & wait",
                          nullptr};

    pid_ = fork();
    if (pid_ < 0) {
        error_ = "fork failed";
        return false;
    }
    if (pid_ == 0) {
        // A group of its own, so that stop() and freeze() reach every process of the session.
        setpgid(0, 0);
        int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        if (null >= 0) dup2(null, 0);
        execvpe(argv[0], const_cast<char**>(argv), envp.data());
        _exit(127);
    }
    setpgid(pid_, pid_);  // also here, so that the group exists before either side goes on

    // Ready when WirePlumber has published the default metadata; a session that ended is not
    // waited for.
    const auto end = Clock::now() + deadline;
    for (;;) {
        const auto r = run("pw-cli ls Metadata", 5);
        if (r.status == 0 && r.out.find("metadata.name = \"default\"") != std::string::npos) return true;
        int st = 0;
        const bool ended = waitpid(pid_, &st, WNOHANG) == pid_;
        if (ended || Clock::now() >= end) {
            if (ended) {
                kill(-pid_, SIGKILL);  // what the session left behind
                pid_ = -1;
            }
            error_ = (ended ? std::string("the PipeWire session ended before it answered")
                            : "PipeWire and WirePlumber did not answer within " + std::to_string(deadline.count()) +
                                  " ms") +
                     "; their output:\n" + log();
            stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void PipeWireDaemon::stop() {
    if (!running()) return;
    kill(-pid_, SIGCONT);
    kill(-pid_, SIGTERM);
    if (!reap(pid_, std::chrono::seconds(5))) {
        kill(-pid_, SIGKILL);
        reap(pid_, std::chrono::seconds(5));
    }
    // The daemons themselves are children of the session's shell; wait until the server no longer
    // answers, so that a test sees it gone once stop() returns.
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (run("pw-cli info 0", 2).status == 0 && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(-pid_, SIGKILL);
    pid_ = -1;
}

void PipeWireDaemon::freeze() {
    if (running()) kill(-pid_, SIGSTOP);
}

void PipeWireDaemon::thaw() {
    if (running()) kill(-pid_, SIGCONT);
}

std::vector<std::pair<std::string, std::string>> PipeWireDaemon::environment() const {
    return {{"XDG_RUNTIME_DIR", runtimeDir_.string()}, {"PIPEWIRE_RUNTIME_DIR", runtimeDir_.string()}};
}

std::string PipeWireDaemon::envPrefix() const {
    // The machine's own sound server must not be reachable by another way.
    std::string prefix = "env -u PIPEWIRE_REMOTE -u PULSE_SERVER -u DBUS_SESSION_BUS_ADDRESS";
    for (const auto& [name, value] : environment()) prefix += " " + name + "=" + shellQuote(value);
    return prefix;
}

CommandResult PipeWireDaemon::run(const std::string& commandLine, int timeoutSeconds) const {
    return testenv::run(envPrefix() + " timeout " + std::to_string(timeoutSeconds) + " sh -c " +
                        shellQuote(commandLine));
}

bool PipeWireDaemon::waitUntil(const std::string& probe, const std::string& expected,
                               std::chrono::milliseconds deadline) const {
    const auto end = Clock::now() + deadline;
    for (;;) {
        const auto r = run(probe, 2);
        if (r.status == 0 && r.out.find(expected) != std::string::npos) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool PipeWireDaemon::waitForNode(const std::string& name, bool present, std::chrono::milliseconds deadline) const {
    const std::string listed = "node.name = \"" + name + "\"";
    if (present) return waitUntil("pw-cli ls Node", listed, deadline);
    const auto end = Clock::now() + deadline;
    for (;;) {
        const auto r = run("pw-cli ls Node", 2);
        if (r.status == 0 && r.out.find(listed) == std::string::npos) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool PipeWireDaemon::createNullSink(const std::string& name, std::chrono::milliseconds deadline) {
    const auto r = run("pw-cli create-node adapter '{ factory.name=support.null-audio-sink media.class=Audio/Sink "
                       "object.linger=1 node.name=" + name + " }'");
    if (r.status != 0) {
        error_ = "pw-cli create-node: " + r.out;
        return false;
    }
    return waitForNode(name, true, deadline) &&
           waitUntil("pw-metadata -n default 0 default.audio.sink", "default.audio.sink", deadline);
}

std::string PipeWireDaemon::log() const { return readFile(dir_ / "daemon.log"); }

}  // namespace testenv
