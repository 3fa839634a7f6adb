#include "platform/system/DesktopLauncher.h"

#include "platform/foundation/RunLoop.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// Starts `program target` detached from us (its own session, output discarded) and reaps the
// intermediate child at once, so no zombie is left whatever the program does.
bool spawnDetached(const std::string& program, const std::string& target) {
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(target.c_str()), nullptr};
    int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t child = fork();
    if (child < 0) {
        if (devnull >= 0) close(devnull);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on. The program gets the signals we block for
        // our own handling, so that it can still be ended.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        setsid();
        if (fork() != 0) _exit(0);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (devnull >= 0) close(devnull);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

DesktopLauncher::DesktopLauncher(std::filesystem::path deviceRoot, Opener opener, Terminate terminate)
    : deviceRoot_(std::move(deviceRoot)), opener_(std::move(opener)), terminate_(std::move(terminate)) {}

DesktopLauncher::Opener DesktopLauncher::xdgOpen() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland)) return {};
    std::string program = findOnPath("xdg-open");
    if (program.empty()) return {};
    return [program](const std::string& target) { return spawnDetached(program, target); };
}

void DesktopLauncher::launchApplication(const std::string& identifier, bool suspended) {
    if (identifier == kPhotoAlbumIdentifier && opener_) {
        std::error_code ec;
        auto dcim = deviceRoot_ / kCameraRollPath;
        if (std::filesystem::is_directory(dcim, ec)) opener_(dcim.string());
    }
    if (suspended || !terminate_) return;
    if (RunLoop* loop = RunLoop::mainIfAny()) loop->post(terminate_);
    else terminate_();
}

void DesktopLauncher::openURL(const std::string& url) {
    if (opener_) opener_(url);
}

}  // namespace platform
