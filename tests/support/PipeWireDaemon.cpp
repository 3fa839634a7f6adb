#include "tests/support/PipeWireDaemon.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testenv {
namespace {

// Starts `args` in a process group of its own (so that a signal reaches every process it starts),
// output to `log`, with this process's environment less any way to the machine's own sound
// service, plus `extra` NAME=VALUE pairs.
pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& extra, const std::string& log) {
    // Everything the child needs is built before fork: only exec-safe calls run in between.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var(*e);
        const std::string name = var.substr(0, var.find('='));
        if (name != "XDG_RUNTIME_DIR" && name != "XDG_CONFIG_HOME" && name != "XDG_STATE_HOME" &&
            name != "PIPEWIRE_RUNTIME_DIR" && name != "PIPEWIRE_REMOTE" && name != "DBUS_SESSION_BUS_ADDRESS")
            env.push_back(var);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        if (null >= 0) dup2(null, 0);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (pid > 0) setpgid(pid, pid);  // also here, so that the group exists before either side goes on
    return pid;
}

// Waits for `pid` to end, up to `seconds`; true when it did (and was reaped).
bool reap(pid_t pid, double seconds) {
    return waitUntil([pid] {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        return r == pid || r < 0;
    }, seconds);
}

}  // namespace

PipeWireDaemon::~PipeWireDaemon() { stop(); }

bool PipeWireDaemon::start(double seconds) {
    if (running()) return true;
    if (const std::string m = missingProgram("dbus-run-session pipewire wireplumber pw-cli timeout"); !m.empty()) {
        missing_ = true;
        error_ = m + " is not installed (scripts/install-deps.sh installs it)";
        return false;
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

    // WirePlumber gives up at once when PipeWire is not listening yet (on a loaded machine it
    // often is not): it starts once the socket is there.
    pid_ = spawn({"dbus-run-session", "--", "sh", "-c",
                  "pipewire & until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.05; done; wireplumber & wait"},
                 {"XDG_RUNTIME_DIR=" + runtimeDir_.string(), "XDG_CONFIG_HOME=" + config.string(),
                  "XDG_STATE_HOME=" + state.string()},
                 (dir_ / "daemon.log").string());
    if (pid_ < 0) {
        error_ = "fork failed";
        return false;
    }

    // Ready when WirePlumber has published the default metadata; a session that ended is not
    // waited for.
    bool ready = false, ended = false;
    waitUntil([&] {
        const auto r = run("pw-cli ls Metadata", 5);
        ready = r.status == 0 && r.out.find("metadata.name = \"default\"") != std::string::npos;
        ended = !ready && waitpid(pid_, nullptr, WNOHANG) == pid_;
        return ready || ended;
    }, seconds);
    if (ready) return true;
    if (ended) {
        kill(-pid_, SIGKILL);  // what the session left behind
        pid_ = -1;
    }
    error_ = (ended ? std::string("the PipeWire session ended before it answered")
                    : "PipeWire and WirePlumber did not answer within " + std::to_string(int(seconds)) + " s") +
             "; their output:\n" + log();
    stop();
    return false;
}

void PipeWireDaemon::stop() {
    if (!running()) return;
    kill(-pid_, SIGCONT);
    kill(-pid_, SIGTERM);
    if (!reap(pid_, 5)) {
        kill(-pid_, SIGKILL);
        reap(pid_, 5);
    }
    // The daemons themselves are children of the session's shell; wait until the server no longer
    // answers, so that a test sees it gone once stop() returns.
    waitUntil([this] { return run("pw-cli info 0", 2).status != 0; }, 5);
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

bool PipeWireDaemon::waitForListing(const std::string& probe, const std::string& text, bool present,
                                    double seconds) const {
    return waitUntil([&] {
        const auto r = run(probe, 2);
        return r.status == 0 && (r.out.find(text) != std::string::npos) == present;
    }, seconds);
}

bool PipeWireDaemon::waitForNode(const std::string& name, bool present, double seconds) const {
    return waitForListing("pw-cli ls Node", "node.name = \"" + name + "\"", present, seconds);
}

bool PipeWireDaemon::createNullSink(const std::string& name, double seconds) {
    const auto r = run("pw-cli create-node adapter '{ factory.name=support.null-audio-sink media.class=Audio/Sink "
                       "object.linger=1 node.name=" + name + " }'");
    if (r.status != 0) {
        error_ = "pw-cli create-node: " + r.out;
        return false;
    }
    return waitForNode(name, true, seconds) &&
           waitForListing("pw-metadata -n default 0 default.audio.sink", "default.audio.sink", true, seconds);
}

std::string PipeWireDaemon::log() const { return readFile(dir_ / "daemon.log"); }

pid_t PipeWireDaemon::spawnClient(std::vector<std::string> args) const {
    std::vector<std::string> env;
    for (const auto& [name, value] : environment()) env.push_back(name + "=" + value);
    return spawn(std::move(args), env, "/dev/null");
}

}  // namespace testenv
