#include "tests/support/PrivateXServer.h"

#include <chrono>
#include <csignal>
#include <cstdlib>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testenv {

PrivateXServer::PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x800x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its number, then a newline, once it accepts connections; it gives up
    // when the pipe is closed before the newline.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pid_ > 0 && number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        char buf[16];
        if (poll(&p, 1, 100) != 1) continue;
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, size_t(n));
    }
    if (number.find('\n') != std::string::npos) name_ = ":" + std::to_string(std::atoi(number.c_str()));
    close(fds[0]);
}

PrivateXServer::~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

}  // namespace testenv
