#include "tests/support/PrivateXServer.h"

#include <csignal>
#include <cstdlib>

namespace testenv {

PrivateXServer::PrivateXServer() {
    // The server writes its number, then a newline, once it accepts connections.
    const std::string number = (dir_ / "display").string();
    pid_ = std::atol(run("Xvfb -displayfd 1 -screen 0 640x800x24 -nolisten tcp -noreset >" + shellQuote(number) +
                         " 2>/dev/null & echo $!")
                         .out.c_str());
    if (pid_ > 0 && waitUntil([&] { return readFile(number).find('\n') != std::string::npos; }, 20))
        name_ = ":" + std::to_string(std::atoi(readFile(number).c_str()));
}

PrivateXServer::~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_t(pid_), SIGTERM);
    waitUntil([&] { return processGone(pid_); }, 10);
}

}  // namespace testenv
