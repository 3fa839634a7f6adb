#include "tests/support/PipeWireDaemon.h"

#include <csignal>
#include <cstdlib>

namespace testenv {
namespace {

// Starts a shell command line in the background, in a session and process group of its own (so
// that a signal to the group reaches every process it starts), its output to `log`; its process
// id, or -1.
pid_t spawn(const std::string& commandLine, const std::string& log) {
    const auto r = run("setsid sh -c " + shellQuote(commandLine) + " >" + shellQuote(log) + " 2>&1 </dev/null & echo $!");
    const pid_t pid = std::atoi(r.out.c_str());
    return r.status == 0 && pid > 0 ? pid : -1;
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
    pid_ = spawn(envPrefix() + " XDG_CONFIG_HOME=" + shellQuote(config.string()) + " XDG_STATE_HOME=" +
                     shellQuote(state.string()) + " dbus-run-session -- sh -c " +
                     shellQuote("pipewire & until [ -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.05; done; "
                                "wireplumber & wait"),
                 (dir_ / "daemon.log").string());

    // Ready when WirePlumber has published the default metadata; a session that ended (or never
    // started) is not waited for.
    bool ready = false, ended = false;
    waitUntil([&] {
        const auto r = run("pw-cli ls Metadata", 5);
        ready = r.status == 0 && r.out.find("metadata.name = \"default\"") != std::string::npos;
        ended = !ready && processGone(pid_);
        return ready || ended;
    }, seconds);
    if (ready) return true;
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
    if (!waitUntil([this] { return processGone(pid_); }, 5)) kill(-pid_, SIGKILL);
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

pid_t PipeWireDaemon::spawnClient(const std::string& commandLine) const {
    return spawn(envPrefix() + " " + commandLine, "/dev/null");
}

}  // namespace testenv
