#include "tests/support/HeadlessSway.h"

#include <cstdlib>
#include <filesystem>

#include <signal.h>
#include <unistd.h>

namespace testenv {
namespace {

constexpr const char* kUser = "kestrova-wayland";

}  // namespace

std::unique_ptr<HeadlessSway> HeadlessSway::start(std::string* why, const std::string& resolution) {
    if (run("command -v sway && command -v swaymsg").status != 0) {
        *why = "sway is not installed (scripts/install-deps.sh installs it)";
        return nullptr;
    }
    const bool root = geteuid() == 0;
    if (root && run(std::string("id -u ") + kUser + " || useradd --system --no-create-home --shell /usr/sbin/nologin " +
                    kUser + " || id -u " + kUser)
                        .status != 0) {
        *why = std::string("cannot make the user ") + kUser + " for sway";
        return nullptr;
    }
    std::unique_ptr<HeadlessSway> s(new HeadlessSway);
    char dir[] = "/tmp/kestrova-sway-XXXXXX";
    if (!mkdtemp(dir)) {
        *why = "cannot make a runtime folder";
        return nullptr;
    }
    s->runtimeDir_ = dir;
    writeFile(s->runtimeDir_ + "/config", "output HEADLESS-1 resolution " + resolution + "\n"
                                          "for_window [app_id=\".*\"] floating enable\n");
    const std::string asUser = root ? std::string("chown -R ") + kUser + " " + shellQuote(dir) + " && setpriv --reuid=" +
                                          kUser + " --regid=" + kUser + " --clear-groups "
                                    : std::string();
    // Only what sway needs: nothing of the caller's session leaks into it.
    auto r = run(asUser + "env -i XDG_RUNTIME_DIR=" + shellQuote(dir) + " HOME=" + shellQuote(dir) +
                 " WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_XWAYLAND=" +
                 " sway -c " + shellQuote(s->runtimeDir_ + "/config") + " >" + shellQuote(s->runtimeDir_ + "/log") +
                 " 2>&1 & echo $!");
    s->pid_ = std::atol(r.out.c_str());
    if (s->pid_ <= 0) {
        *why = "cannot start sway: " + r.out;
        return nullptr;
    }
    // Up once both its sockets answer.
    const bool up = waitUntil([&] {
        std::string display, ipc;
        for (const auto& e : std::filesystem::directory_iterator(s->runtimeDir_)) {
            const std::string name = e.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos) display = e.path().string();
            if (name.rfind("sway-ipc.", 0) == 0) ipc = e.path().string();
        }
        if (display.empty() || ipc.empty()) return false;
        s->display_ = display;
        s->ipc_ = ipc;
        return s->swaymsg("-t get_version").status == 0;
    }, 20);
    if (!up) {
        *why = "sway did not come up: " + readFile(s->runtimeDir_ + "/log");
        return nullptr;
    }
    return s;
}

bool HeadlessSway::holdInputDevices(const std::string& virtualInput) {
    const std::string ready = runtimeDir_ + "/input-ready";
    auto r = run(env() + " exec " + shellQuote(virtualInput) + " hold >" + shellQuote(ready) + " 2>&1 & echo $!");
    holderPid_ = std::atol(r.out.c_str());
    return holderPid_ > 0 && waitUntil([&] { return readFile(ready) == "ready\n"; });
}

HeadlessSway::~HeadlessSway() {
    if (holderPid_ > 0) kill(pid_t(holderPid_), SIGTERM);
    if (pid_ > 0) {
        kill(pid_t(pid_), SIGTERM);
        if (!waitUntil([&] { return processGone(pid_); })) kill(pid_t(pid_), SIGKILL);
    }
    std::error_code ec;
    if (!runtimeDir_.empty()) std::filesystem::remove_all(runtimeDir_, ec);
}

std::string HeadlessSway::env() const {
    return "WAYLAND_DISPLAY=" + shellQuote(display_) + " SWAYSOCK=" + shellQuote(ipc_);
}

CommandResult HeadlessSway::swaymsg(const std::string& args) const {
    return run("SWAYSOCK=" + shellQuote(ipc_) + " swaymsg " + args);
}

}  // namespace testenv
